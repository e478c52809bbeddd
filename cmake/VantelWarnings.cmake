# vantel_warnings(<target>...)
#
# The warnings every target of ours compiles with, set on the target rather than globally, so that
# outside code (Qt's headers come in as system headers, Google Benchmark, libFuzzer) keeps its own.
# VANTEL_WERROR turns them into errors: ./test.sh builds with it, so a new warning fails the suite.
option(VANTEL_WERROR "Treat compiler warnings as errors" OFF)

function(vantel_warnings)
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wno-unused-parameter)
    if(VANTEL_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
    # Calls to what Qt 5.15 marks deprecated are warned about (and so are errors with VANTEL_WERROR).
    target_compile_definitions(${target} PRIVATE QT_DEPRECATED_WARNINGS)
  endforeach()
endfunction()
