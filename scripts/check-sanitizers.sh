#!/usr/bin/env bash
# Runs the whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (GCC), then
# again under ThreadSanitizer (clang with its own OpenMP runtime, which ThreadSanitizer
# understands better than GCC's). Under both, the tests that put the programs under ulimit
# skip themselves: a sanitizer runtime reserves terabytes of address space and cannot start.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs="$(nproc 2>/dev/null || echo 2)"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILEBENCH_SANITIZE=address,undefined \
      -DTILEBENCH_BUILD_PERF=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer.supp:print_suppressions=0" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j 2 --no-tests=error

CC=clang CXX=clang++ cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILEBENCH_SANITIZE=thread \
      -DTILEBENCH_BUILD_PERF=OFF >/dev/null
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS="halt_on_error=1 ignore_noninstrumented_modules=1 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j 2 --no-tests=error
