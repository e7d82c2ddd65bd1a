#!/usr/bin/env bash
# Times the tiled sequential kernel as this project builds it against plain builds of the very
# same source (g++ -O2, g++ -O3, clang++ -O3, all with -ffp-contract=off), alternating the
# builds round by round so that the machine's slow spells hit all of them alike.
#   perf/compare_builds.sh [n] [b] [rounds]          (defaults: 1024 64 9)
# Prints the median of each build's per-round medians, and its ratio to the project's build.
set -euo pipefail
cd "$(dirname "$0")/.."
n="${1:-1024}" b="${2:-64}" rounds="${3:-9}"
[ -x build/bin/tilebench_seq_timer ] && [ -x build/bin/tilebench_median ] || bash scripts/build.sh >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -n "${KEEP_TIMES:-}" ] && trap 'cp "$work/times" "$KEEP_TIMES"; rm -rf "$work"' EXIT

plain() { # name compiler flags...
  local name="$1" compiler="$2"; shift 2
  "$compiler" -std=c++17 -fopenmp -ffp-contract=off "$@" -I. perf/seq_timer.cpp perf/arguments.cpp \
    kernels/*.cpp common/owned_matrix.cpp common/parse.cpp stats/median.cpp -o "$work/$name"
}
cp build/bin/tilebench_seq_timer "$work/project"
plain g++-O2 g++ -O2
plain g++-O3 g++ -O3
plain clang++-O3 clang++ -O3
builds=(project g++-O2 g++-O3 clang++-O3)

for r in $(seq "$rounds"); do
  for build in "${builds[@]}"; do
    echo "$build $("$work/$build" "$n" "$b" 3)"
  done
done > "$work/times"

echo "tiled sequential kernel, n $n, b $b: median of $rounds rounds (each the median of 3 calls)"
for build in "${builds[@]}"; do
  # median min max count, from the project's one definition of the median
  echo "$build $(awk -v build="$build" '$1 == build { print $2 }' "$work/times" | build/bin/tilebench_median)"
done | awk 'NR == 1 { base = $2 } { printf "%-12s %.4f s  min %.4f  max %.4f  (project / this: %.3f)\n", $1, $2, $3, $4, base / $2 }'
