#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the plain build, the AddressSanitizer +
# UndefinedBehaviorSanitizer build, the ThreadSanitizer build, the fuzz targets, and the Windows
# x64 cross build with its suite under Wine.
# Usage: scripts/test.sh [--quick]   (--quick: plain build only)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Compiler cache when the machine has one: rebuilds of unchanged sources (other checkouts of this
# tree included) come from the cache.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
out=${MIRAV_BUILD_ROOT:-$root/build}
jobs=${MIRAV_JOBS:-2}
fuzz_seconds=${MIRAV_FUZZ_SECONDS:-60}

"$root/scripts/setup.sh"

step() { printf '\n=== %s ===\n' "$*"; }

# Tests run inside a private network namespace when the machine allows one: its own loopback and
# its own ports, so the fixed protocol ports cannot clash with anything else on the machine and no
# test traffic can leave it.
isolated() {
  if unshare -rn true 2>/dev/null; then
    unshare -rn sh -c 'ip link set lo up && exec "$@"' sh "$@"
  else
    "$@"
  fi
}

build_and_test() {
  local name=$1; shift
  step "$name: configure and build"
  cmake -S "$root" -B "$out/$name" "$@" >"$out/$name.configure.log" || {
    cat "$out/$name.configure.log"; return 1; }
  cmake --build "$out/$name" -j"$jobs"
  step "$name: tests"
  (cd "$out/$name" && isolated ctest -j"$jobs" --output-on-failure --timeout 600 -LE long)
}

mkdir -p "$out"
build_and_test plain -DCMAKE_BUILD_TYPE=RelWithDebInfo

[ "${1:-}" = "--quick" ] && exit 0

san_flags="-fno-omit-frame-pointer -g"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build_and_test asan -DCMAKE_BUILD_TYPE=Debug -DMIRAV_BUILD_JAVA=OFF -DMIRAV_BUILD_BENCHMARKS=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined $san_flags" \
  "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" \
  "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined"

export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build_and_test tsan -DCMAKE_BUILD_TYPE=Debug -DMIRAV_BUILD_JAVA=OFF -DMIRAV_BUILD_BENCHMARKS=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize=thread $san_flags" \
  "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread" \
  "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread"

if [ -x "$root/scripts/fuzz.sh" ]; then
  step "fuzz targets (${fuzz_seconds} s each)"
  MIRAV_FUZZ_SECONDS=$fuzz_seconds "$root/scripts/fuzz.sh" "$out/fuzz"
fi

step "Windows x64: cross build and suite under Wine"
MIRAV_BUILD_ROOT=$out "$root/scripts/test-windows.sh" "$out/windows"

step "all tests passed"
