#!/usr/bin/env bash
# Installs what is needed, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DKERFMAX_TESTS=ON
ctest --test-dir build --output-on-failure --parallel "$(nproc)" --timeout 600
