# vantel_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [FIXTURES <fixtures...>] [TIMEOUT <s>])
#
# Builds a Qt Test program and registers it with CTest. Every test runs headless (offscreen platform)
# with sanitizer options that make a finding fail the test.
set(VANTEL_LSAN_SUPPRESSIONS ${CMAKE_SOURCE_DIR}/tests/lsan.supp)

function(vantel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  vantel_warnings(${name})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_init_order=1;LSAN_OPTIONS=suppressions=${VANTEL_LSAN_SUPPRESSIONS}:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/config;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-home/data;HOME=${CMAKE_BINARY_DIR}/test-home")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(T_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${T_FIXTURES}")
  endif()
endfunction()

# vantel_add_benchmark(<name> SOURCES <files...> LIBS <targets...>)
function(vantel_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  vantel_warnings(${name})
  target_link_libraries(${name} PRIVATE benchmark::benchmark ${B_LIBS})
endfunction()
