#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that are missing).
set -euo pipefail

packages=(
  cmake g++ make
  clang libclang-rt-14-dev            # fuzzers and sanitizer runtimes
  libgtest-dev libgmock-dev libbenchmark-dev
  openjdk-17-jdk-headless junit5      # Java binding and its tests
  iproute2 util-linux                 # private network namespaces for multicast tests
  binutils                            # nm, for the exported-symbol check
  ccache                              # compiler cache for rebuilds
  pkgconf                             # the install test builds a pkg-config consumer
  doxygen                             # reference documentation and its completeness check
  # Python package mirav: numpy and pytest for its tests, pip and venv for installing it
  python3 python3-numpy python3-pytest python3-pip python3-venv
  # mirav-cli view: its web server (Boost.Beast and Asio, header-only) and the browser test
  libboost-dev chromium
)
# The page of mirav-cli view is bundled with Node.js and npm at build time; Debian's are used
# only where the machine has no Node.js of its own.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq || true
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
