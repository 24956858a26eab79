#!/usr/bin/env bash
# Cross-builds the library, the substitute server, the tools and the C++ test suites for 64-bit
# Windows with mingw-w64 and runs the suites under Wine through CTest.
# Usage: scripts/test-windows.sh [build folder]   (default: $MIRAV_BUILD_ROOT/windows or
#        build/windows). MIRAV_JOBS sets the build parallelism (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Compiler cache when the machine has one: rebuilds of unchanged sources (other checkouts of this
# tree included) come from the cache.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
out=${1:-${MIRAV_BUILD_ROOT:-$root/build}/windows}
jobs=${MIRAV_JOBS:-2}

step() { printf '\n=== %s ===\n' "$*"; }

# The compiler, Wine and the GoogleTest sources (built from source for the target).
packages=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || packages+=(g++-mingw-w64-x86-64-posix)
command -v wine >/dev/null || packages+=(wine wine64)
[ -f /usr/src/googletest/CMakeLists.txt ] || packages+=(googletest)
if [ ${#packages[@]} -gt 0 ]; then
  step "installing ${packages[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
fi

mkdir -p "$out"
step "windows: configure and build"
cmake -S "$root" -B "$out" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMIRAV_BUILD_BENCHMARKS=OFF -DMIRAV_BUILD_FUZZERS=OFF -DMIRAV_BUILD_JAVA=OFF \
  >"$out/configure.log" || { cat "$out/configure.log"; exit 1; }
cmake --build "$out" -j"$jobs"

# A private prefix inside the build folder. A persistent wineserver, started before the first
# test and warmed once, spares every test program Wine's start-up of its background processes.
export WINEPREFIX="$out/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
mkdir -p "$WINEPREFIX"
stop_wineserver() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wineserver EXIT
step "windows: starting Wine"
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 || true  # the warm-up only saves time

step "windows: tests under Wine"
(cd "$out" && ctest -j"$jobs" --output-on-failure --timeout 600 -LE long)
