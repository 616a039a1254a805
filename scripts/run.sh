#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with its emulated logger and modem.
# Extra arguments go to the program: scripts/run.sh --folder /tmp/korvelan
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev
cmake --build --preset dev
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display found; the windows need one (or try: xvfb-run scripts/run.sh)" >&2
fi
exec build/dev/src/korvelan --simulate "$@"
