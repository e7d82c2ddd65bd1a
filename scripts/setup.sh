#!/usr/bin/env bash
# Installs what building and testing tilebench needs, on Debian or Ubuntu, skipping what is
# already there. Safe to run again; does nothing when everything is present.
set -euo pipefail

packages=(cmake g++ make git pkg-config libgtest-dev libbenchmark-dev libopenblas-dev gnuplot-nox clang libomp-dev
          libclang-rt-dev clang-format clang-tidy time libhwloc-dev nlohmann-json3-dev libcli11-dev
          gcovr help2man dpkg-dev file man-db lintian)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null; then
  echo "setup: please install: ${missing[*]}" >&2
  exit 1
fi
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "setup: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
