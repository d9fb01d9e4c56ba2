# The installation package: what the device tool's installer puts on a device,
# written to package.txt in the build folder, one file per line:
#   KIND <tab> DEVICE PATH <tab> BUILD FILE <tab> PLATFORM TYPE
# KIND is "file", or "setup" for the setup library the installer loads and
# keeps for the removal. PLATFORM TYPE is the profile's "platformType" the
# file is for, or "*" for every device. Add a line to ship another file.
set(KELVANE_PACKAGE_LIST ${CMAKE_BINARY_DIR}/package.txt)
set(package_lines
  "file\t\\Program Files\\Kelvane\\Quorvane.exe\t$<TARGET_FILE:Quorvane_PSPC>\tPocketPC"
  "file\t\\Program Files\\Kelvane\\Quorvane.exe\t$<TARGET_FILE:Quorvane_WFSP>\tSmartphone"
  "file\t\\Program Files\\Kelvane\\Tavrel.dll\t$<TARGET_FILE:Tavrel>\t*"
  "file\t\\Program Files\\Kelvane\\translation.dll.0407.mui\t$<TARGET_FILE:translation_0407>\t*"
  "setup\t\\windows\\AppMgr\\Kelvane.dll\t$<TARGET_FILE:Marrowin>\t*")
if(EXISTS ${PROJECT_SOURCE_DIR}/ui/readme.txt)
  list(APPEND package_lines "file\t\\Program Files\\Kelvane\\readme.txt\t${PROJECT_SOURCE_DIR}/ui/readme.txt\t*")
endif()
list(JOIN package_lines "\n" package_text)
file(GENERATE OUTPUT ${KELVANE_PACKAGE_LIST} CONTENT "${package_text}\n")
