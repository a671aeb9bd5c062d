#!/usr/bin/env bash
# Installs every Debian 12 package the project builds, tests and benchmarks with.
# Run as root (CI runs it that way); safe to run again.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config git \
  qt6-base-dev libqt6serialport6-dev libgl-dev \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libcurl4-openssl-dev python3 python3-pyftpdlib \
  xvfb xauth imagemagick fonts-dejavu-core
