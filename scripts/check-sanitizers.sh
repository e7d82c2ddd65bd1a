#!/usr/bin/env bash
# Runs the whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (GCC), then
# again under ThreadSanitizer (clang with its own OpenMP runtime, which ThreadSanitizer
# understands better than GCC's). Under both, the tests that put the programs under ulimit
# skip themselves: a sanitizer runtime reserves terabytes of address space and cannot start.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs="$(nproc 2>/dev/null || echo 2)"

# The presets (CMakePresets.json) hold each build's options and each run's sanitizer settings.
for preset in sanitizers thread-sanitizer; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset"
done
