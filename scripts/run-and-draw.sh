#!/usr/bin/env bash
# Runs tilebench from BIN_DIR on the input given (default "512 64 3 5") in the current
# directory, appending its rows to ./out.csv, then summarises and draws the rows this run
# appended, and only those, into ./speedup.png. Says so plainly when the run appended none.
# When the picture cannot be drawn (gnuplot missing, nothing finite to draw), it says why, removes
# an older speedup.png, which would pass for this run's, and fails.
#   scripts/run-and-draw.sh BIN_DIR [size block_size num_iter max_threads]
set -euo pipefail
bin="$1"
shift
rows_in() { if [ -f out.csv ]; then wc -l < out.csv; else echo 0; fi; }
before=$(rows_in)
echo "${*:-512 64 3 5}" | "$bin/tilebench"
after=$(rows_in)
echo
if [ "$after" -le "$before" ]; then
  echo "benchmark: this run appended no rows to out.csv (max_threads 2 or below sweeps no thread count): nothing to draw"
  exit 0
fi
this_run="$(mktemp -d)"
trap 'rm -rf "$this_run"' EXIT
tail -n +"$((before + 1))" out.csv > "$this_run/this-run.csv"
if ! "$bin/tilebench-plot" --output speedup.png "$this_run/this-run.csv"; then
  [ -d speedup.png ] || rm -f speedup.png
  echo "benchmark: no picture of this run (see above); its rows are in out.csv" >&2
  exit 1
fi
