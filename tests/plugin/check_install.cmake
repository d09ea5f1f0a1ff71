# Installs the plug-in under a fresh prefix, copies the binding test into the
# prefix's program folder and runs it there: the copy must find the plug-in
# in the installed layout on its own.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                        --component plugin
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "installing the plug-in failed")
endif()
file(COPY "${TEST_PROGRAM}" DESTINATION "${PREFIX}/${BINDIR}")
get_filename_component(program "${TEST_PROGRAM}" NAME)
execute_process(COMMAND "${PREFIX}/${BINDIR}/${program}"
                        --gtest_filter=Binding.FindsThePluginWithoutBeingTold
                RESULT_VARIABLE failed)
file(REMOVE_RECURSE "${PREFIX}")
if(failed)
  message(FATAL_ERROR "the installed program did not find its plug-in")
endif()
