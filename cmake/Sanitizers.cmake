if(KELVANE_SANITIZE STREQUAL "address")
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(KELVANE_SANITIZE STREQUAL "thread")
  set(_san -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KELVANE_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KELVANE_SANITIZE must be empty, address or thread")
endif()
if(_san)
  add_compile_options(${_san} -O1 -g)
  add_link_options(${_san})
endif()

# Helper for modules loaded at run time: the host object of NAME.dll is NAME.dll.so.
function(kelvane_module target dll_name)
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME "${dll_name}" SUFFIX ".so"
    LIBRARY_OUTPUT_DIRECTORY ${KELVANE_MODULE_DIR})
endfunction()
