#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need (Debian 12).
# Does nothing when they are all present; uses sudo when not run as root.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev fonts-liberation
          gputils srecord binutils python3 python3-serial xvfb xauth
          clang-format dpkg-dev file groff-base ghostscript)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
