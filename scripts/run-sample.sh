#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job on the bundled sample:
# prints the job size and writes the .plt file next to the sample job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DKERFMAX_TESTS=OFF
sample=resources/samples/sign.hb
build/kerfmax-cli info "$sample"
build/kerfmax-cli convert "$sample" -o "${sample%.hb}.plt"
echo "wrote ${sample%.hb}.plt"
