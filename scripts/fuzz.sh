#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for MIRAV_FUZZ_SECONDS (default 60).
# New inputs go to a scratch folder; the committed seeds are read, never written.
# Usage: scripts/fuzz.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Compiler cache when the machine has one: rebuilds of unchanged sources (other checkouts of this
# tree included) come from the cache.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
out=${1:-$root/build/fuzz}
seconds=${MIRAV_FUZZ_SECONDS:-60}

cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMIRAV_BUILD_FUZZERS=ON -DMIRAV_BUILD_TESTS=OFF -DMIRAV_BUILD_BENCHMARKS=OFF \
  -DMIRAV_BUILD_TOOLS=OFF -DMIRAV_BUILD_JAVA=OFF >"$out.configure.log" || {
  cat "$out.configure.log"; exit 1; }
cmake --build "$out" -j"${MIRAV_JOBS:-2}" --target mirav_fuzzers

status=0
for target in frame_decoder description_decoder reassembler; do
  scratch="$out/corpus-$target"
  mkdir -p "$scratch"
  echo "fuzz: $target for ${seconds} s"
  if ! "$out/fuzz/mirav_${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
      -max_len=16384 -timeout=10 -artifact_prefix="$out/crash-$target-" \
      "$scratch" "$root/fuzz/corpus/$target" >"$out/$target.log" 2>&1; then
    echo "fuzz: $target FAILED"; tail -n 60 "$out/$target.log"; status=1
  else
    grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec' "$out/$target.log" || true
  fi
done
exit $status
