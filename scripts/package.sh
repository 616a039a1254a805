#!/usr/bin/env bash
# Makes the two Debian packages, korvelan and korvelan-collect, from a build of their own in
# build/package (the programs only), then checks them as CI does.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --packaging
rm -rf build/package
cmake --workflow --preset package
scripts/check-packages.sh build/package/packages
echo "Install with: apt install $(printf './%s ' build/package/packages/*.deb)"
