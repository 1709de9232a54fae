# Helpers shared by every folder's CMakeLists.txt.
include(GoogleTest)

# q7310_test(<name> SOURCES ... [LIBS ...])
# One GoogleTest program per folder; each test case becomes a CTest test.
function(q7310_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} q7310_testing GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

# q7310_shared_library(<name> SOURCES ... [LIBS ...])
# A deliverable shared library: hidden symbols, C-linkage exports marked with Q7310_EXPORT.
function(q7310_shared_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${L_SOURCES})
  target_link_libraries(${name} PRIVATE ${L_LIBS})
  target_link_options(${name} PRIVATE -Wl,--no-undefined)
endfunction()
