#!/usr/bin/env bash
# Runs the HEX benchmark: installs srec_cat (Debian's srecord) when it is missing, builds
# hex_bench and vlxctl in ./build, and prints the figures. Only the benchmark needs srecord.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v srec_cat >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y --no-install-recommends srecord \
    || { $sudo apt-get update && $sudo apt-get install -y --no-install-recommends srecord; }
fi

[ -f build/CMakeCache.txt ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target hex_bench vlxctl
exec build/bench/hex_bench
