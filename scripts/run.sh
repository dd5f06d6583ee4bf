#!/usr/bin/env bash
# Sets up this machine, builds Kestrova and runs its tour on the embedded
# default desktop. Extra arguments go to the program (for instance
# --home DIR, to keep its user defaults for a later run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
# The tour writes its snapshots into the folder it runs in.
root="$(pwd)"
mkdir -p build/tour
cd build/tour
# The tour tells a first launch, so unless told where the user defaults
# live it starts each time from an empty home of its own.
home=()
if [[ " $* " != *" --home "* ]]; then
  rm -rf home
  home=(--home "$root/build/tour/home")
fi
status=0
"$root/build/default/Kestrova/Kestrova.app/Contents/MacOS/Kestrova" --script "$root/examples/tour.txt" "${home[@]}" "$@" || status=$?
echo "The tour's snapshots are in $root/build/tour:"
ls -1 -- *.png
exit $status
