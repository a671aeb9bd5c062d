#!/usr/bin/env bash
# Builds everything into build/ (Release with debug information).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLX_CORE_ONLY=OFF -DVLX_SANITIZE=OFF \
  -DVLX_WERROR=ON
cmake --build build -j"$(nproc)"
