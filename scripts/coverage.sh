#!/usr/bin/env bash
# Builds with coverage, runs the whole suite, and prints line and branch coverage of each
# product folder (gcovr). Branches that only C++ exception handling creates, and those the
# compiler proves unreachable, are left out: no test could take them on purpose. Fails when a
# folder's branch coverage is below 85 %.
#   scripts/coverage.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# ccache's CCACHE_BASEDIR hands the compiler source paths relative to its build folder, which
# gcov, run from elsewhere, cannot resolve: coverage builds keep the absolute paths. (A
# build-coverage/ made under a base directory must be removed once.)
unset CCACHE_BASEDIR
cmake --preset coverage >/dev/null
cmake --build --preset coverage -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
find build-coverage -name '*.gcda' -delete
ctest --preset coverage > build-coverage/ctest.log 2>&1 || {
  tail -20 build-coverage/ctest.log
  exit 1
}
gcovr --root . --object-directory build-coverage --exclude-throw-branches --exclude-unreachable-branches \
      --filter '(bench|common|compare|kernels|machine|plot|record|report|scan|stats)/' \
      --json-summary build-coverage/summary.json --txt build-coverage/coverage.txt > /dev/null 2> build-coverage/gcovr.log
python3 - build-coverage/summary.json <<'PY'
import json, sys
files = json.load(open(sys.argv[1]))["files"]
folders = {}
for f in files:
    folder = f["filename"].split("/")[0]
    t = folders.setdefault(folder, [0, 0, 0, 0])
    t[0] += f["line_covered"]; t[1] += f["line_total"]; t[2] += f["branch_covered"]; t[3] += f["branch_total"]
print(f"{'folder':10} {'lines':>16} {'branches':>16}")
short = []
total = [0, 0, 0, 0]
for folder, (lc, lt, bc, bt) in sorted(folders.items()):
    total = [a + b for a, b in zip(total, (lc, lt, bc, bt))]
    branch = 100.0 * bc / bt if bt else 100.0
    print(f"{folder:10} {100.0 * lc / lt:6.1f} % {lc:4}/{lt:<4} {branch:6.1f} % {bc:4}/{bt:<4}")
    if branch < 85.0:
        short.append(folder)
lc, lt, bc, bt = total
print(f"{'all':10} {100.0 * lc / lt:6.1f} % {lc:4}/{lt:<4} {100.0 * bc / bt:6.1f} % {bc:4}/{bt:<4}")
if short:
    print("coverage: branch coverage below 85 % in " + ", ".join(short))
    sys.exit(1)
PY
