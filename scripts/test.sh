#!/usr/bin/env bash
# Runs every test: the whole build under ctest (core, simulator, platform bindings and the
# end-to-end runs of vlxctl against vlx750-sim), then the core, the simulator and their tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && ctest --output-on-failure -j2 --timeout 300)

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVLX_CORE_ONLY=ON -DVLX_SANITIZE=ON
cmake --build build-sanitize -j"$(nproc)"
(cd build-sanitize && ctest --output-on-failure -j2 --timeout 300)
