#!/usr/bin/env bash
# Runs the toolkit-free core, the simulator's model, the Windows bindings of the platform layer
# and their tests as Windows programs: cross-built with Debian's mingw-w64 and run under Wine.
# Everything goes into build-windows/ (or $VLX_WINDOWS_BUILD): GoogleTest, built once from
# Debian's source package with the same compilers, and a Wine prefix of its own, so the user's
# own ~/.wine is never touched. Each test executable runs once, all its tests in one Wine start.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/${VLX_WINDOWS_BUILD:-build-windows}
jobs=${VLX_JOBS:-$(nproc)}

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 wine googletest)
missing=()
for package in "${packages[@]}"; do
  case "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" in
    *"install ok installed"*) ;;
    *) missing+=("$package") ;;
  esac
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

toolchain=$root/cmake/mingw-w64.cmake
gtest=$build/googletest
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest"
  cmake --build "$build/googletest-build" -j"$jobs"
  cmake --install "$build/googletest-build" >/dev/null
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Release: the optimiser's own warnings are errors too, and the tests run ten times faster
# under Wine than unoptimised.
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DVLX_CORE_ONLY=ON -DVLX_WERROR=ON -DGTest_DIR="$gtest/lib/cmake/GTest" "${launcher[@]}"
cmake --build "$build" -j"$jobs"

export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# One Wine server for every run below, kept until the end: a server that is still going away
# after one run can drop the next run's first connection.
wineserver -p
[ -f "$WINEPREFIX/system.reg" ] || wineboot --init >/dev/null 2>&1
status=0
for test in "$build"/tests/*_tests.exe; do
  echo "== $(basename "$test") under Wine"
  wine "$test" --gtest_brief=1 || status=1
done
# The fuzz targets replay their seed corpora (one run each).
(cd "$build" && ctest --output-on-failure -L fuzz) || status=1
wineserver -k 2>/dev/null || true
if [ $status -eq 0 ]; then echo "Windows tests passed"; else echo "Windows tests FAILED"; fi
exit $status
