#!/usr/bin/env bash
# Installs every package the build, the tests, the benchmarks and the fuzzers
# need on a fresh Debian 12 machine (run as root). Qt 6 is for the window,
# the CJK font for its Chinese texts, xvfb for screenshots, nftables for the
# link test that drops a peer's packets in a network namespace, gcovr for
# scripts/coverage.sh.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache clang libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libmpfr-dev libgmp-dev
  socat nftables p7zip-full libxml2-utils libpugixml-dev gcovr
  qt6-base-dev fonts-wqy-microhei xvfb xauth
)
bash "$(dirname "$0")/ensure-packages.sh" "${packages[@]}"
