#!/usr/bin/env bash
# Runs every test: the whole build under ctest (core, simulator, platform bindings and the
# end-to-end runs of vlxctl against vlx750-sim), then the core, the simulator and their tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer. The core and the simulator are
# also compiled once as a Release build, whose full optimisation brings warnings of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh

# Compiled only: its tests are the ones that run below.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVLX_CORE_ONLY=ON -DVLX_WERROR=ON
cmake --build build-release -j"$(nproc)" --target vlx_core vlx_sim_model vlx750-sim

(cd build && ctest --output-on-failure -j2 --timeout 300)

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVLX_CORE_ONLY=ON -DVLX_SANITIZE=ON \
  -DVLX_WERROR=ON
cmake --build build-sanitize -j"$(nproc)"
(cd build-sanitize && ctest --output-on-failure -j2 --timeout 300)
