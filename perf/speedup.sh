#!/usr/bin/env bash
# The speed-up that tilebench itself reports: runs it several times on one input in a scratch
# directory and prints, per thread count, the median of the speedUp column over the runs.
#   perf/speedup.sh [runs] [input]          (defaults: 5 "1024 64 3 3")
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-5}" input="${2:-1024 64 3 3}"
[ -x build/bin/tilebench ] && [ -x build/bin/tilebench_median ] || bash scripts/build.sh >/dev/null
exe="$PWD/build/bin/tilebench" median="$PWD/build/bin/tilebench_median"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
for r in $(seq "$runs"); do echo "$input" | "$exe" > /dev/null; done
echo "tilebench on \"$input\", $runs runs: median speedUp per thread count"
for t in $(cut -d, -f1 out.csv | sort -un); do
  # median min max count of the speedUp column, by the project's one definition of the median
  read -r m low high count < <(awk -F, -v t="$t" '$1 == t { print $4 }' out.csv | "$median")
  echo "threads $t  speedUp $m  (min $low, max $high, runs: $count)"
done
