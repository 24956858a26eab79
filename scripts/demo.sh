#!/usr/bin/env bash
# Sets up and builds the two programs, starts the substitute capture server on loopback
# (unicast) and streams its frames with mirav-cli for about ten seconds: a live status line
# (frame rate, frame number, latency, counts, force plates), then a summary. Both stop by
# themselves. Usage: scripts/demo.sh [seconds]
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
seconds=${1:-10}

"$root/scripts/setup.sh"

mkdir -p "$out"
echo "demo: building mirav-sim and mirav-cli into $out/plain"
cmake -S "$root" -B "$out/plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$out/plain.configure.log" || {
  cat "$out/plain.configure.log"; exit 1; }
cmake --build "$out/plain" -j"$jobs" --target mirav-sim mirav-cli

sim="$out/plain/tools/sim/mirav-sim"
cli="$out/plain/tools/cli/mirav-cli"
log="$out/demo-sim.log"

# The server stops by itself a little after the client is done, even if this script is killed.
"$sim" --bind 127.0.0.1 --rate 100 --duration $((seconds + 30)) >"$log" 2>&1 &
sim_pid=$!
stop_sim() {
  if kill -0 "$sim_pid" 2>/dev/null; then
    kill -INT "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT

# Wait until it serves (or says why it cannot).
for _ in $(seq 1 100); do
  grep -q "mirav-sim: serving" "$log" 2>/dev/null && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "mirav-sim: serving" "$log" 2>/dev/null; then
  cat "$log" >&2
  echo "demo: the substitute server did not start (is port 5230 in use by another server?)" >&2
  exit 1
fi
head -n 1 "$log"

status=0
"$cli" stream 127.0.0.1 --duration "$seconds" || status=$?
stop_sim
trap - EXIT
if [ "$status" -eq 0 ]; then
  echo "demo: done. Next: $cli --help, and docs/cli.md and docs/sim.md"
else
  echo "demo: mirav-cli ended with status $status" >&2
fi
exit "$status"
