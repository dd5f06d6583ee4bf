#!/usr/bin/env bash
# Installs the Debian packages Kestrova needs to build, test, benchmark and fuzz.
# Idempotent: it asks apt only for what is missing, and refreshes the package
# lists only when something is.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libxkbcommon-dev libxkbregistry-dev xkb-data
  libicu-dev libplist-dev nlohmann-json3-dev
  libcairo2-dev libpango1.0-dev fonts-dejavu-core
  libsystemd-dev dbus-daemon
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
