# Warnings are errors on our own code only; third-party headers come in as
# system includes and stay out of it.
function(zembra_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 reports -Wrestrict falsely inside std::string concatenation at -O3
  # (GCC bug 105651), which would fail every release build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# A GoogleTest executable for one area of the tree, run through ctest.
function(zembra_add_gtest target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  zembra_target_defaults(${target})
  target_link_libraries(${target} PRIVATE zembra_test_support GTest::gtest_main ${ARG_LIBS})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "ZEMBRA_TEST=1")
endfunction()
