#!/usr/bin/env bash
# Runs every test, each test binary compiled once. In build/ the programs (Release with debug
# information, as the README runs them), their end-to-end tests (vlxctl and the window program
# against vlx750-sim) and the fuzz targets, one ctest name per test. In build-sanitize/ the whole
# program again under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, and there
# every test binary: core, simulator, platform bindings (the FTP client against a real server on
# 127.0.0.1), window (offscreen), vlxctl's reporting, and the end-to-end tests once more against
# the sanitized programs; each binary as a few whole GoogleTest runs. The core and the simulator
# are also compiled as a Release build, whose full optimisation brings warnings of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
# Of the tests only the end-to-end binary, which brings the programs it starts; the benchmarks and
# the fuzz targets by Ninja's per-folder targets.
bash scripts/build.sh e2e_tests bench/all tests/fuzz/all

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVLX_CORE_ONLY=ON -DVLX_WERROR=ON
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVLX_CORE_ONLY=OFF -DVLX_SANITIZE=ON \
  -DVLX_WERROR=ON

# The end-to-end cases mostly wait for the programs' own time-outs: the other two trees compile
# meanwhile, at the lowest priority, so that the cases' programs still answer in time.
log=build-sanitize/compile.log
(
  nice -n 19 cmake --build build-release -j"$(nproc)" --target vlx_core vlx_sim_model vlx750-sim
  nice -n 19 cmake --build build-sanitize -j"$(nproc)"
) >"$log" 2>&1 &
compiling=$!

status=0
(cd build && ctest --output-on-failure -j2 --timeout 300 -L 'e2e|fuzz') || status=1
if ! wait $compiling; then
  cat "$log"
  exit 1
fi
(cd build-sanitize && ctest --output-on-failure -j2) || status=1
exit $status
