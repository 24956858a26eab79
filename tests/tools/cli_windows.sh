#!/bin/sh
# mirav-cli doctor and mirav-cli stream --reconnect of the Windows build, run through the
# emulator against the Windows mirav-sim on loopback: a healthy server, nothing listening, and a
# server stopped and started again during a stream.
# Usage: cli_windows.sh EMULATOR MIRAV-SIM MIRAV-CLI
set -u
run=$1
sim=$2
cli=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# The output with carriage returns as line ends, so status lines rewritten in place are lines.
lines() { tr '\r' '\n' <"$1" | grep -v '^$'; }

echo "--- doctor against a healthy server"
"$run" "$sim" --duration 8 >"$out/sim" 2>&1 &
server=$!
sleep 2
"$run" "$cli" doctor 127.0.0.1 >"$out/healthy" 2>&1
status=$?
wait $server
lines "$out/healthy"
[ $status -eq 0 ] || fail "doctor exited with $status against a healthy server"
for check in "name resolution" "command port" "version" "data port" "frames"; do
  lines "$out/healthy" | grep -q "^pass  $check" || fail "no pass for '$check'"
done
lines "$out/healthy" | grep -q "^all checks passed" || fail "no 'all checks passed'"

echo "--- doctor with nothing listening"
"$run" "$cli" doctor 127.0.0.1 >"$out/none" 2>&1
status=$?
lines "$out/none"
[ $status -eq 1 ] || fail "doctor exited with $status with nothing listening"
lines "$out/none" | grep -q "^FAIL  command port" || fail "no FAIL for the command port"

echo "--- stream --reconnect across a restart of the server"
"$run" "$sim" --duration 4 >"$out/sim" 2>&1 &
server=$!
sleep 1.5
"$run" "$cli" stream 127.0.0.1 --reconnect --duration 10 >"$out/stream" 2>&1 &
client=$!
wait $server
sleep 1.5
"$run" "$sim" --duration 9 >"$out/sim" 2>&1 &
server=$!
wait $client
status=$?
wait $server
lines "$out/stream" | uniq | tail -n 12
[ $status -eq 0 ] || fail "stream exited with $status"
# The first line of each state, in the order the states must follow one another.
first() { lines "$out/stream" | grep -n "^$1 |" | head -n 1 | cut -d: -f1; }
stalled=$(first stalled)
reconnecting=$(first reconnecting)
resumed=$(lines "$out/stream" | grep -n "^streaming |" | cut -d: -f1 | tail -n 1)
if [ -z "$stalled" ] || [ -z "$reconnecting" ] || [ -z "$resumed" ]; then
  fail "the status line did not go through stalled, reconnecting and streaming"
elif [ "$stalled" -gt "$reconnecting" ] || [ "$reconnecting" -gt "$resumed" ]; then
  fail "states out of order: stalled at $stalled, reconnecting at $reconnecting," \
    "streaming at $resumed"
fi

[ $failures -eq 0 ] || exit 1
echo "all passed"
