#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless. With CI=true it also makes
# the Debian packages from that build and checks them.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
if [ "${CI:-}" = "true" ]; then
    scripts/setup.sh --packaging
    # Packages of an earlier version would stand beside the new ones.
    rm -f build/ci/packages/*.deb
    cmake --workflow --preset ci
    scripts/check-packages.sh build/ci/packages
else
    scripts/setup.sh
    cmake --workflow --preset dev
fi
