#!/usr/bin/env bash
# The speed-up that tilebench itself reports: runs it several times on one input in a scratch
# directory and prints, per thread count, the median of the speedUp column over the runs.
#   perf/speedup.sh [runs] [input]          (defaults: 5 "1024 64 3 3")
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-5}" input="${2:-1024 64 3 3}"
[ -x build/bin/tilebench ] || bash scripts/build.sh >/dev/null
exe="$PWD/build/bin/tilebench"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
for r in $(seq "$runs"); do echo "$input" | "$exe" > /dev/null; done
echo "tilebench on \"$input\", $runs runs: median speedUp per thread count"
sort -t, -k1,1n -k4,4g out.csv | awk -F, '
  { n[$1]++; s[$1, n[$1]] = $4; e[$1, n[$1]] = $5 }
  END {
    for (t in n) {
      m = int((n[t] + 1) / 2)
      # rows are sorted by speedUp within a thread count, so the middle one is the median
      printf "threads %s  speedUp %s  (runs: %d)\n", t, s[t, m], n[t]
    }
  }' | sort -k2,2n
