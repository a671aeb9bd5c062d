#!/usr/bin/env bash
# Builds into build/ (Release with debug information): everything, or only the targets given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLX_CORE_ONLY=OFF -DVLX_SANITIZE=OFF \
  -DVLX_WERROR=ON
cmake --build build -j"$(nproc)" ${1:+--target "$@"}
