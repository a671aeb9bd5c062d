#!/usr/bin/env bash
# Installs every Debian 12 package the project builds, tests and benchmarks with.
# Needs root (or sudo); does nothing when everything is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-serialport-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libcurl4-openssl-dev python3 python3-pyftpdlib
  clang-14 libclang-rt-14-dev
  libxcb1-dev
  xvfb xauth x11-utils imagemagick fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
  # No pipe into grep -q here: with pipefail, grep leaving early could fail the check.
  case "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" in
    *"install ok installed"*) ;;
    *) missing+=("$package") ;;
  esac
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
