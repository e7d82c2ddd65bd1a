#!/usr/bin/env bash
# The capacity probe against a CPU the host takes away, reproducibly. A busy process pinned to
# one CPU (tilebench_busy: spins a share of every period, sleeps the rest) stands in for the
# host's other tenants; each scan's figures are printed one line per scan by
# tilebench_scan_figures, with what docs/SCANNING.md reports. The busy process runs under the
# real-time FIFO policy where it may (root, or CAP_SYS_NICE), as a host's tenant does: while it
# spins, the CPU is gone for every thread of the guest. At the normal policy the guest's own
# scheduler would let a probe that has just woken up run first, and the stand-in would be one a
# short probe can dodge, unlike the host (BUSY_POLICY=normal measures that case).
#   perf/starve.sh after [ROUND]     a reference scan on the quiet machine, then a scan where the
#                                    busy process starts once round ROUND (default 5) is done,
#                                    with the probe and again without it (--probe none)
#   perf/starve.sh whole             the busy process throughout, with the probe and without
#   perf/starve.sh quiet [N]         N scans on the quiet machine (default 10): false alarms
#   perf/starve.sh spread [N] [GAP]  N scans GAP seconds apart (defaults 5 and 900): agreement
#                                    between scans over an hour
# Environment: BUSY_CPU (1), BUSY_PERCENT (60), BUSY_PERIOD_MS (100), BUSY_POLICY (fifo or normal;
# fifo falls back to normal, saying so, where it is not allowed), SIZE (1024), SCAN_ARGS (more
# options for tilebench-scan, e.g. "--probe each"), KEEP (a directory to keep the scans' files in).
# The columns: the clean speed-up at 2 threads and its interval, whether it is precise, the share
# of starved rounds and their own speed-up, the host warnings, the probe's share of the wall time,
# the share outside the timed calls, the distance from the reference scan, the starved rounds.
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:-}"
busy_cpu="${BUSY_CPU:-1}" percent="${BUSY_PERCENT:-60}" period="${BUSY_PERIOD_MS:-100}"
for tool in tilebench-scan tilebench_busy tilebench_scan_figures; do
  [ -x "build/bin/$tool" ] || bash scripts/build.sh >/dev/null
done
bin="$PWD/build/bin"
work="${KEEP:-$(mktemp -d)}"
mkdir -p "$work"
busy_pid=""
stop_busy() { if [ -n "$busy_pid" ]; then kill "$busy_pid" 2>/dev/null || true; wait "$busy_pid" 2>/dev/null || true; busy_pid=""; fi; }
trap 'stop_busy; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
policy=()
if [ "${BUSY_POLICY:-fifo}" = fifo ]; then
  if chrt -f 1 true 2>/dev/null; then policy=(chrt -f 1); else echo "busy process: the FIFO policy is not allowed here; at the normal policy" >&2; fi
fi
start_busy() { "${policy[@]}" taskset -c "$busy_cpu" "$bin/tilebench_busy" "$percent" "$period" & busy_pid=$!; }

# One default scan (n 1024, b 64, threads 1-2) under a name; extra options after the name.
scan() {
  local name="$1"; shift
  # shellcheck disable=SC2086 # SCAN_ARGS is a list of options
  "$bin/tilebench-scan" --size "${SIZE:-1024}" --block 64 --threads 1-2 --quiet --output "$work/$name" ${SCAN_ARGS:-} "$@" \
    > /dev/null 2> "$work/$name.err" || true
}

# Starts the busy process once PREFIX.csv holds every call of round $2 (a header, then three
# lines a round). It looks five times a second with one builtin read: a watcher that started a
# program a hundred times a second was itself a competitor the scan's check of the threads' waits
# found in the rounds before the busy process.
start_after_round() {
  local csv="$1" round="$2" lines
  while :; do
    lines=0
    [ -f "$csv" ] && while IFS= read -r _; do lines=$((lines + 1)); done < "$csv"
    [ "$lines" -ge $((1 + 3 * round)) ] && break
    sleep 0.2
  done
  start_busy
}

figures() { "$bin/tilebench_scan_figures" "$@"; }

echo "busy process: ${percent} % of every ${period} ms on CPU ${busy_cpu}${policy:+ (real-time FIFO)}; files in $work"
case "$what" in
  after)
    round="${2:-5}"
    scan quiet
    scan starved_after &
    scan_pid=$!
    start_after_round "$work/starved_after.csv" "$round"
    wait "$scan_pid"
    stop_busy
    scan unprobed_after --probe none &
    scan_pid=$!
    start_after_round "$work/unprobed_after.csv" "$round"
    wait "$scan_pid"
    stop_busy
    figures --reference "$work/quiet.json" "$work/quiet.json" "$work/starved_after.json" "$work/unprobed_after.json"
    echo "busy process started after round $round"
    ;;
  whole)
    start_busy
    scan starved_whole
    scan unprobed_whole --probe none
    stop_busy
    figures "$work/starved_whole.json" "$work/unprobed_whole.json"
    ;;
  quiet)
    count="${2:-10}"
    for i in $(seq "$count"); do scan "quiet$i"; done
    figures $(for i in $(seq "$count"); do echo "$work/quiet$i.json"; done)
    ;;
  spread)
    count="${2:-5}" gap="${3:-900}"
    for i in $(seq "$count"); do
      scan "spread$i"
      [ "$i" -lt "$count" ] && sleep "$gap"
    done
    figures --band 0.05 $(for i in $(seq "$count"); do echo "$work/spread$i.json"; done)
    ;;
  *)
    sed -n '2,/^set -euo/p' "$0" | sed '$d' | cut -c3- >&2
    exit 2
    ;;
esac
