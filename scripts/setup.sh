#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
# With --packaging also what making and checking the Debian packages needs.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
          libgl-dev xvfb xauth socat librsvg2-bin)
if [ "${1:-}" = "--packaging" ]; then
    # dpkg-dev and file for the dependencies CPack reads from the binaries; the rest for the
    # checks of scripts/check-packages.sh.
    packages+=(dpkg-dev file binutils lintian desktop-file-utils man-db groff-base)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
