#!/usr/bin/env bash
# Installs the Debian 12 packages given as arguments, or by default those
# k964 needs to build, test, run and package, when any is missing. Runs
# apt-get as root, or through sudo.
set -euo pipefail

packages=("$@")
if [ ${#packages[@]} -eq 0 ]; then
    packages=(cmake g++ make pkg-config qt6-base-dev libqt6opengl6-dev qt6-serialport-dev qt6-tools-dev
              libqt6sql6-sqlite libgl-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth dpkg-dev file)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
