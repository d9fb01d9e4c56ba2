# Compares the functions a library defines for others (nm -D) with EXPECTED,
# a comma-separated list in alphabetical order; names the toolchain adds
# (leading underscore) are not ours.
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ [TtWw] [A-Za-z][A-Za-z0-9_]*" entries "${symbols}")
set(exported)
foreach(entry ${entries})
  string(REGEX REPLACE "^[0-9a-f]+ [TtWw] " "" name "${entry}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)
string(REPLACE "," ";" expected "${EXPECTED}")
if(NOT exported STREQUAL expected)
  message(FATAL_ERROR "exports: ${exported}\nexpected: ${expected}")
endif()
