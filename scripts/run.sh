#!/usr/bin/env bash
# Sets up this machine, builds Kestrova and runs its tour on the embedded
# default desktop. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
program=build/default/Kestrova/Kestrova.app/Contents/MacOS/Kestrova
if [ ! -x "$program" ]; then
  echo "The switcher program is not part of this build yet: only the libraries and their tests are."
  echo "Run scripts/test.sh to see what they do."
  exit 0
fi
exec "$program" --script examples/tour.txt "$@"
