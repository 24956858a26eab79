#!/usr/bin/env bash
# Sets up and builds everything, starts the substitute capture server on loopback (unicast) and
# the example client, which prints live frames and the frame rate for about ten seconds; then
# both shut down. Usage: scripts/demo.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${MIRAV_BUILD_ROOT:-$root/build}
jobs=${MIRAV_JOBS:-2}
seconds=${1:-10}

"$root/scripts/setup.sh"

mkdir -p "$out"
echo "demo: building into $out/plain"
cmake -S "$root" -B "$out/plain" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$out/plain.configure.log" || {
  cat "$out/plain.configure.log"; exit 1; }
cmake --build "$out/plain" -j"$jobs"

sim="$out/plain/tools/sim/mirav-sim"
client="$out/plain/examples/live_frames"

# The server stops by itself a little after the client is done, even if this script is killed.
"$sim" --bind 127.0.0.1 --rate 100 --duration $((seconds + 30)) &
sim_pid=$!
stop_sim() {
  if kill -0 "$sim_pid" 2>/dev/null; then
    kill -INT "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT

sleep 0.5
if ! kill -0 "$sim_pid" 2>/dev/null; then
  echo "demo: the substitute server did not start (is port 5230 or 5231 in use?)" >&2
  exit 1
fi

status=0
"$client" 127.0.0.1 "$seconds" || status=$?
stop_sim
trap - EXIT
if [ "$status" -eq 0 ]; then
  echo "demo: done"
else
  echo "demo: the client ended with status $status" >&2
fi
exit "$status"
