#!/usr/bin/env bash
# Installs what is missing, builds the test suite with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-test/ and runs all of it headless, the JACK tests (which
# start their own server) and a bounded fuzzing run included. The benchmarks are built there too
# (not run), so that a change that breaks one is seen at once.
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh

# Every C++ file follows .clang-format (clang-format -i <file> mends one).
tools/check-format.sh

jobs=$(nproc)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTEL_SANITIZE=ON -DVANTEL_BUILD_TESTS=ON -DVANTEL_BUILD_BENCH=ON -DVANTEL_WERROR=ON >/dev/null
cmake --build build-test -j "$jobs"

# The fuzz targets need clang's libFuzzer; they share the sources but not the build folder, and
# only the libraries they link are built there.
if [ -f fuzz/CMakeLists.txt ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DVANTEL_BUILD_TESTS=OFF -DVANTEL_BUILD_FUZZ=ON -DVANTEL_WERROR=ON >/dev/null
  cmake --build build-fuzz -j "$jobs" --target vantel_fuzzers
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j "$jobs"
if [ -x tools/run-fuzzers.sh ]; then
  tools/run-fuzzers.sh build-fuzz
fi
