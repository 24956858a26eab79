#!/bin/sh
# Runs the README's snippets against a fresh mirav-sim, as a first-time user would: each must
# print frames on its first run. Usage: RunSnippets.sh SIM CPP_PROGRAM JAVA_SOURCE JAR JAVAC JAVA WORK
set -eu
sim=$1 cpp=$2 javaSource=$3 jar=$4 javac=$5 java=$6 work=$7
rm -rf "$work"
mkdir -p "$work/classes"
fail() { echo "FAILED: $*"; exit 1; }
expect() {
  grep -q -- "$1" "$2" || { echo "--- $2:"; cat "$2"; fail "no \"$1\" in the output"; }
}
# A fresh server for each snippet: frames start only once a client is ready for them.
start_sim() {
  "$sim" --rate 100 --duration 30 > "$work/sim.log" 2>&1 &
  simPid=$!
  i=0
  until grep -q "serving on" "$work/sim.log"; do
    i=$((i + 1)); [ $i -le 100 ] || fail "mirav-sim did not start"; sleep 0.1
  done
}
stop_sim() { kill "$simPid" 2>/dev/null || true; wait "$simPid" 2>/dev/null || true; }
trap stop_sim EXIT

start_sim
"$cpp" > "$work/cpp.txt" 2>&1 || { cat "$work/cpp.txt"; fail "the C++ snippet exited with $?"; }
expect "RigidBody1 at" "$work/cpp.txt"
expect "polled frame .*: first rigid body is RigidBody1" "$work/cpp.txt"
stop_sim

if [ -n "$javac" ] && [ -n "$java" ] && [ -f "$jar" ]; then
  "$javac" -cp "$jar" -d "$work/classes" "$javaSource" || fail "the Java snippet does not compile"
  start_sim
  "$java" -cp "$jar:$work/classes" ReadmeFrames > "$work/java.txt" 2>&1 || fail "Java snippet"
  expect "^frame [0-9]" "$work/java.txt"
  stop_sim
else
  echo "note: no JDK or jar here; only the C++ snippet ran"
fi
echo "README snippets printed frames on their first run"
