#!/bin/sh
# A fresh install as a user gets it: every component into an empty prefix, then the installed
# tools, examples and the pkg-config file used with no library path in the environment.
# Usage: RunInstalled.sh BUILD_DIR WORK_DIR CMAKE C_COMPILER PKG_CONFIG JAVA
set -eu
build=$1 work=$2 cmake=$3 cc=$4 pkgconfig=$5 java=$6
prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work"
unset LD_LIBRARY_PATH || true

fail() { echo "FAILED: $*"; [ -f "$work/sim.log" ] && cat "$work/sim.log"; exit 1; }
expect() {  # expect TEXT FILE: the file contains the text
  grep -q -- "$1" "$2" || { echo "--- $2:"; cat "$2"; fail "no \"$1\" in the output"; }
}

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || fail "install"
examples=$prefix/libexec/mirav-sdk/examples
for file in bin/mirav-cli bin/mirav-sim include/mirav/Mirav.h include/mirav/MiravVersion.h \
    include/mirav/MiravResult.h lib/pkgconfig/mirav_sdk.pc lib/cmake/MiravSDK/MiravSDKConfig.cmake \
    share/doc/MiravSDK/LICENSE share/doc/MiravSDK/CHANGELOG.md; do
  [ -e "$prefix/$file" ] || fail "$file is not installed"
done

# The run paths name the prefix relatively and never the build tree.
for program in "$prefix/bin/mirav-cli" "$examples/live_frames" "$examples/flat_c"; do
  if command -v readelf >/dev/null; then
    readelf -d "$program" > "$work/dynamic.txt"
    expect 'R.*PATH.*\$ORIGIN' "$work/dynamic.txt"
    if grep -q -- "$build" "$work/dynamic.txt"; then fail "$program names the build tree"; fi
  fi
done

"$prefix/bin/mirav-cli" --help > "$work/cli-help.txt" 2>&1 || fail "mirav-cli --help"
expect "mirav-cli" "$work/cli-help.txt"
"$prefix/bin/mirav-sim" --help > "$work/sim-help.txt" 2>&1 || fail "mirav-sim --help"

# pkg-config consumer: compiled against the installed files only, run without a library path.
PKG_CONFIG_PATH=$prefix/lib/pkgconfig
export PKG_CONFIG_PATH
"$pkgconfig" --exists mirav_sdk || fail "pkg-config finds no mirav_sdk"
libdir=$("$pkgconfig" --variable=libdir mirav_sdk)
# shellcheck disable=SC2046
"$cc" -o "$work/pc_consumer" "$(dirname "$0")/pc_consumer.c" $("$pkgconfig" --cflags --libs mirav_sdk) \
  "-Wl,-rpath,$libdir" || fail "pkg-config consumer build"
"$work/pc_consumer" > "$work/pc.txt" || fail "pkg-config consumer run"
expect "mirav_sdk 4.0.56.34" "$work/pc.txt"

# The installed examples and mirav-cli against the installed mirav-sim.
"$prefix/bin/mirav-sim" --rate 100 --duration 60 > "$work/sim.log" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
i=0
until grep -q "serving on" "$work/sim.log"; do
  i=$((i + 1)); [ $i -le 100 ] || fail "mirav-sim did not start"; sleep 0.1
done
"$examples/live_frames" 127.0.0.1 2 > "$work/live.txt" 2>&1 || fail "live_frames"
expect "rigid bodies (first at" "$work/live.txt"
"$examples/polling_client" 127.0.0.1 2 > "$work/polling.txt" 2>&1 || fail "polling_client"
expect "found RigidBody1 and Walker/Hips in" "$work/polling.txt"
"$examples/flat_c" 127.0.0.1 2 > "$work/flat.txt" 2>&1 || fail "flat_c"
expect "frames so far; newest frame" "$work/flat.txt"
"$prefix/bin/mirav-cli" stream 127.0.0.1 --json --duration 1 > "$work/stream.txt" 2>/dev/null \
  || fail "mirav-cli stream"
expect '"frame":' "$work/stream.txt"
# A recording exported and viewed from the installed tree (no network needed for the page).
cli=$prefix/bin/mirav-cli
"$cli" record 127.0.0.1 "$work/take.mcap" --duration 1 > /dev/null 2>&1 || fail "mirav-cli record"
"$cli" export "$work/take.mcap" --c3d "$work/take.c3d" > "$work/export.txt" 2>&1 \
  || fail "mirav-cli export --c3d"
expect "exported " "$work/export.txt"
"$cli" export "$work/take.mcap" --csv "$work/take.csv" > /dev/null 2>&1 || fail "mirav-cli export --csv"
if [ -f "$prefix/share/mirav/view-page/view.js" ]; then
  "$cli" view --replay "$work/take.mcap" --port 0 --duration 1 > "$work/view.txt" 2>&1 \
    || fail "mirav-cli view --replay"
  expect "serving http://127.0.0.1:" "$work/view.txt"
else
  echo "note: the page of mirav-cli view was not built (no npm); view was not run"
fi
jars=$prefix/share/java
if [ -n "$java" ] && [ -f "$jars/mirav-sdk.jar" ]; then
  "$java" -cp "$jars/mirav-sdk.jar:$jars/mirav-java-example.jar" PrintFrames 127.0.0.1 3 \
    > "$work/java.txt" 2>&1 || fail "Java example"
  expect "server: " "$work/java.txt"
else
  echo "note: no jar installed (Java not built); the Java example was not run"
fi
kill $sim; wait $sim 2>/dev/null || true
trap - EXIT
echo "fresh install in $prefix: tools, examples and pkg-config consumer ran"
