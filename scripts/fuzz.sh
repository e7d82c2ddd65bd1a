#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 60): first every input kept under fuzz/corpus/TARGET, then
# new ones. New inputs go to a scratch corpus, never into the repository; an input that breaks a
# target is kept under the scratch folder that the last lines name, and the script fails.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
work="$(mktemp -d "${TMPDIR:-/tmp}/tilebench-fuzz.XXXXXX")"
failed=()
for corpus in fuzz/corpus/*/; do
  target="$(basename "$corpus")"
  mkdir -p "$work/$target"
  log="$work/$target.log"
  if build-fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$work/$target-" "$work/$target" "$corpus" > "$log" 2>&1; then
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz $target: ${executions:-?} executions in ${seconds} s (${rate:-?}/s), $coverage, no finding"
  else
    failed+=("$target")
    echo "fuzz $target: FINDING; see $log and $work/$target-*"
    grep -E 'ERROR|property broken|SUMMARY' "$log" | head -5 || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}; inputs kept in $work"
  exit 1
fi
rm -rf "$work"
echo "fuzz: every target ran ${seconds} s without a finding"
