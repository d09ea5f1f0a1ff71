# Fails unless the plug-in's dynamic symbol table defines exactly its two
# entry points. Run as: cmake -DNM=<nm> -DPLUGIN=<file> -P check_exports.cmake
execute_process(COMMAND "${NM}" -D --defined-only "${PLUGIN}"
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${PLUGIN}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names "${name}")
endforeach()
list(SORT names)
if(NOT names STREQUAL "PluginEntry;REALPluginMain")
  message(FATAL_ERROR "${PLUGIN} exports: ${names}")
endif()
