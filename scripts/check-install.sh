#!/usr/bin/env bash
# Installs the built programs into a staging prefix and runs them from there (--version, a
# tiny benchmark, a tiny scan, a tiny plot, a comparison, each man page), then builds the Debian package,
# lists it and has lintian check it where lintian is installed, so that a broken install rule
# or package fails here rather than on a user's machine.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/bin/tilebench ] || bash scripts/build.sh >/dev/null
stage="$(mktemp -d "${TMPDIR:-/tmp}/tilebench-install.XXXXXX")"
trap 'rm -rf "$stage"' EXIT
cmake --install build --prefix "$stage/usr" >/dev/null

bin="$stage/usr/bin"
for program in tilebench tilebench-scan tilebench-plot tilebench-compare; do
  "$bin/$program" --version
  man -l "$stage/usr/share/man/man1/$program.1.gz" 2>/dev/null | grep -q "$program" ||
    { echo "install: no readable man page for $program" >&2; exit 1; }
done
for doc in README.md copyright changelog.gz; do
  [ -f "$stage/usr/share/doc/tilebench/$doc" ] || { echo "install: share/doc/tilebench/$doc missing" >&2; exit 1; }
done
empty="$(find "$stage/usr" -type d -empty)"
[ -z "$empty" ] || { echo "install: empty folders: $empty" >&2; exit 1; }
work="$stage/run"
mkdir -p "$work"
(
  cd "$work"
  echo "32 8 1 4" | "$bin/tilebench" > /dev/null
  "$bin/tilebench-plot" --output speedup.png out.csv > /dev/null
  # Without the probe: a host that takes a CPU away during these two rounds would leave the
  # comparison no clean round, and this check is about the install, not about the host.
  "$bin/tilebench-scan" --size 32 --block 8 --threads 1-2 --min-runs 2 --max-runs 2 --probe none --quiet > /dev/null 2>&1
  "$bin/tilebench-plot" --output scan.svg scan.json > /dev/null
  "$bin/tilebench-compare" --output compare.json scan.json scan.json > /dev/null
  [ "$(wc -l < out.csv)" -eq 2 ] && [ -s speedup.png ] && [ -s scan.csv ] && [ -s scan.svg ] && [ -s compare.json ]
) || { echo "install: the installed programs did not run" >&2; exit 1; }
echo "install: the installed programs run from $stage/usr"

(cd build && cpack -G DEB > /dev/null)
package="$(ls -t build/tilebench_*.deb | head -1)"
contents="$(dpkg-deb -c "$package" | awk '{ print $NF }')"
grep -E 'usr/bin/|man1/' <<< "$contents"
for program in tilebench tilebench-scan tilebench-plot tilebench-compare; do
  grep -qx "./usr/bin/$program" <<< "$contents" || { echo "package: $program missing" >&2; exit 1; }
done
echo "package: $package depends on: $(dpkg-deb -f "$package" Depends)"
# The changelog's newest entry names the version being packaged, as Debian expects.
logged="$(dpkg-parsechangelog -l packaging/changelog -S Version)"
[ "$logged" = "$(dpkg-deb -f "$package" Version)" ] ||
  { echo "package: version $(dpkg-deb -f "$package" Version), but packaging/changelog's newest is $logged" >&2; exit 1; }
if command -v lintian >/dev/null; then
  # Errors fail the check; warnings and notes are shown for a person to weigh.
  lintian --allow-root --fail-on error --display-info "$package" ||
    { echo "package: lintian found errors" >&2; exit 1; }
  echo "package: lintian found no errors"
else
  echo "package: lintian not installed, not checked"
fi
