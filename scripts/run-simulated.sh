#!/usr/bin/env bash
# Builds the program, starts the simulated VLX750 on a pseudo-terminal (its line at 9600 bit/s,
# so the rate search shows) and lets vlxctl find it. Extra arguments go to vlx750-sim.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
link=/tmp/vlx750-sim
build/sim/vlx750-sim --link "$link" --rate 9600 "$@" > /dev/null &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
build/src/cli/vlxctl --port "$link" --verbose --timeout 30 info
