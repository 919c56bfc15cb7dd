#!/usr/bin/env bash
# Installs the Debian 12 packages that the console, its tools and its tests need.
# Runs apt-get only when something is missing; uses sudo when not run as root.
set -euo pipefail

# The fonts are the font sets the layout tests run under (tests/fonts): DejaVu alone, and a
# Debian desktop's default fonts. Python's development files and pybind11 build the Python
# module, pytest runs its tests.
packages=(cmake make g++ pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev googletest
          fonts-dejavu-core fonts-dejavu fonts-liberation2 fonts-noto-core fonts-urw-base35
          fonts-droid-fallback nlohmann-json3-dev python3-dev pybind11-dev python3-pytest)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
