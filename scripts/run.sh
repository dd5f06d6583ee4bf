#!/usr/bin/env bash
# Sets up this machine, builds Kestrova and runs its tour on the embedded
# default desktop. Extra arguments go to the program (for instance
# --home DIR, to keep its user defaults for a later run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
exec build/default/Kestrova/Kestrova.app/Contents/MacOS/Kestrova --script examples/tour.txt "$@"
