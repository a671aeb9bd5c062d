#!/usr/bin/env bash
# Builds the program, starts the simulated VLX750 on a pseudo-terminal and opens VLX Utility on
# it, with settings of its own in a temporary folder (a user's real settings are never touched)
# and a file server of its own on the loopback address in place of the maker's.
# Without a display it says so and lets vlxctl find the amplifier instead. Extra arguments go to
# vlx750-sim (for example --rate 9600 or --off).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh vlxutility vlxctl vlx750-sim vlx750-mkfw

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
# A stand-in for the maker's file server on the loopback address, offering a still newer test
# firmware and the release notes, so that "Copy New Files from Velqorin" has something to fetch.
server_root="$workspace/ftp"
mkdir -p "$server_root/VLX/firmware"
build/sim/vlx750-mkfw --revision 125 -o "$server_root/VLX/firmware" > /dev/null
cp tests/fixtures/notes/vlxfwnotes.rtf "$server_root/VLX/firmware/"
server_output="$workspace/ftp-server.out"
/usr/bin/python3 tests/fixtures/ftp/ftp_server.py --root "$server_root" > "$server_output" 2>&1 &
server=$!
trap 'kill "$simulator" "$server" 2>/dev/null || true; rm -rf "$workspace"' EXIT
for _ in $(seq 50); do [ -s "$server_output" ] && break; sleep 0.1; done
ftp_server=$(sed -n 's/^PORT \([0-9]*\)$/127.0.0.1:\1/p' "$server_output")
echo "Simulated file server on ${ftp_server:-nothing: $(head -n 1 "$server_output")}"
mkdir -p "$XDG_CONFIG_HOME/Velqorin"
printf '{"values": {"Port": {"type": "string", "value": "%s"}, "FtpServer": {"type": "string", "value": "%s"}}}\n' \
  "$port" "$ftp_server" > "$XDG_CONFIG_HOME/Velqorin/VLX Utility.json"
# A newer test firmware (ours, made by the generator) and release notes in the default firmware
# folder, so that the Firmware page has something to send to the simulated amplifier.
firmware_folder="$XDG_DATA_HOME/Velqorin/VLX Firmware"
mkdir -p "$firmware_folder"
build/sim/vlx750-mkfw --revision 124 -o "$firmware_folder" > /dev/null
cp tests/fixtures/notes/vlxfwnotes.rtf "$firmware_folder/"
build/src/app/vlxutility
