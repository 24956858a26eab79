#!/bin/sh
# Runs a program of the Windows cross build under Wine; CTest's emulator for that build.
# Wine now and then fails to start a program at all while others start: it exits with a failure
# within moments and the program has written nothing. Such a start is tried once more, and says
# so. A program that ran (it wrote something, or it took its time) is never run again. The output
# passes through as it comes, so a program stopped for its time-out still shows what it wrote.
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
run() {
  rm -f "$dir/o" "$dir/e"
  mkfifo "$dir/o" "$dir/e" || exit 1
  tee "$dir/out" <"$dir/o" &
  copyOut=$!
  tee "$dir/err" <"$dir/e" >&2 &
  copyErr=$!
  started=$(date +%s)
  wine "$@" >"$dir/o" 2>"$dir/e"
  status=$?
  took=$(($(date +%s) - started))
  wait "$copyOut" "$copyErr"
}
run "$@"
if [ "$status" -ne 0 ] && [ "$took" -le 1 ] && [ ! -s "$dir/out" ] && [ ! -s "$dir/err" ]; then
  echo "wine did not start $1 (status $status, no output): starting it once more" >&2
  run "$@"
fi
exit "$status"
