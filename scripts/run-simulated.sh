#!/usr/bin/env bash
# Builds the program, starts the simulated VLX750 on a pseudo-terminal and opens VLX Utility on
# it, with settings of its own in a temporary folder (a user's real settings are never touched).
# Without a display it says so and lets vlxctl find the amplifier instead. Extra arguments go to
# vlx750-sim (for example --rate 9600 or --off).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

workspace=$(mktemp -d)
simulator_output="$workspace/vlx750-sim.out"
build/sim/vlx750-sim --link /tmp/vlx750-sim "$@" > "$simulator_output" &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; rm -rf "$workspace"' EXIT
for _ in $(seq 50); do [ -s "$simulator_output" ] && break; sleep 0.1; done
port=$(head -n 1 "$simulator_output")
echo "Simulated VLX750 on $port (also /tmp/vlx750-sim)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display here: running vlxctl info against the simulated amplifier instead."
  build/src/cli/vlxctl --port "$port" --verbose --timeout 30 info
  exit
fi

export XDG_CONFIG_HOME="$workspace/config" XDG_DATA_HOME="$workspace/data"
mkdir -p "$XDG_CONFIG_HOME/Velqorin"
printf '{"values": {"Port": {"type": "string", "value": "%s"}}}\n' "$port" \
  > "$XDG_CONFIG_HOME/Velqorin/VLX Utility.json"
# A newer test firmware (ours, made by the generator) and release notes in the default firmware
# folder, so that the Firmware page has something to send to the simulated amplifier.
firmware_folder="$XDG_DATA_HOME/Velqorin/VLX Firmware"
mkdir -p "$firmware_folder"
build/sim/vlx750-mkfw --revision 124 -o "$firmware_folder" > /dev/null
cp tests/fixtures/notes/vlxfwnotes.rtf "$firmware_folder/"
build/src/app/vlxutility
