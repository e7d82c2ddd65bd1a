#!/usr/bin/env bash
# Holds the code base to its habits: the clang-format layout on every C++ file, and the
# clang-tidy checks of .clang-tidy on the product code (the tests and fuzz targets are held to
# the layout only). Needs a configured build/ for its compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
cmake --preset release >/dev/null
product=$(git ls-files '*.cpp' | grep -Ev '^(tests|fuzz)/')
# clang-tidy prints a count of the warnings it suppressed in system headers; only findings matter.
printf '%s\n' $product | xargs -P "$(nproc 2>/dev/null || echo 2)" -n 4 clang-tidy -p build --quiet \
  2> >(grep -v 'warnings generated' >&2)
echo "lint: layout and checks clean"
