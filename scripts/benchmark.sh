#!/usr/bin/env bash
# Builds tilebench, runs it on the given input (default "512 64 3 5") in the repository root,
# appending its rows to ./out.csv, then summarises and draws the rows this run appended into
# ./speedup.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
bash scripts/run-and-draw.sh build/bin "$@"
