#!/usr/bin/env bash
# Builds the recorder gallery and writes a PNG of the shortcut recorder in
# each state (idle, with a value, recording, recording with a value,
# pressed, disabled) and look (light, dark, increased contrast, right to
# left) into the folder given (build/default/snapshots/gallery by default).
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/default/snapshots/gallery}"
cmake --preset default >/dev/null
cmake --build --preset default --target recorder_gallery -j"$(nproc)"
build/default/examples/recorder_gallery "$out"
