#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
preset=dev
[ "${CI:-}" = "true" ] && preset=ci
cmake --workflow --preset "$preset"
