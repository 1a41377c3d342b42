#!/usr/bin/env bash
# Pictures of the main window (with a job, and with its preview zoomed in), the
# cutting-order dialog and the Feature dialog, each in English and Chinese,
# drawn by a real X server (Xvfb): scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]
# (QT_SCALE_FACTOR=1.5 in the environment draws them at 150 %).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-screenshots}
mkdir -p "$out"
KERFMAX_SCREENSHOT_DIR="$(cd "$out" && pwd)" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/tests/kerfmax_tests_gui" --gtest_filter='WindowLook.EveryWindowSpeaks*'
ls -l "$out"/*.png
