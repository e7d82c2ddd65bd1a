#!/usr/bin/env bash
# Peak resident memory of a whole tilebench run against what its matrices must take:
# 3 n^2 4-byte floats, plus 2 % and 4 MiB for the runtime, the row pointers and the threads.
#   perf/memory.sh [n]            (default 2048; runs "n 64 1 3")
set -euo pipefail
cd "$(dirname "$0")/.."
n="${1:-2048}"
[ -x build/bin/tilebench ] || bash scripts/build.sh >/dev/null
exe="$PWD/build/bin/tilebench"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
peak_kib=$(echo "$n 64 1 3" | /usr/bin/time -f %M "$exe" 2>&1 >/dev/null | tail -1)
awk -v n="$n" -v kib="$peak_kib" 'BEGIN {
  matrices = 3 * n * n * 4; bound = matrices * 1.02 + 4 * 1048576; peak = kib * 1024
  printf "n %d: peak resident %.1f MiB, matrices %.1f MiB, bound %.1f MiB: %s\n",
         n, peak / 1048576, matrices / 1048576, bound / 1048576, peak <= bound ? "within" : "OVER"
}'
