#!/usr/bin/env bash
# Installs, from Debian's packages, every system dependency that Velmar needs
# to build, test and run, and nothing that is already there. Uses sudo when
# not run as root; refreshes the package lists only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache file
  qt6-base-dev qt6-qpa-plugins fonts-dejavu-core
  libftdi1-dev libusb-1.0-0-dev libcrypto++-dev libcli11-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  srecord gputils python3 xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "error: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
