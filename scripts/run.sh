#!/usr/bin/env bash
# Installs what is missing, builds the program and the emulator, and starts the program with
# its emulated logger and modem.
# Extra arguments go to the program: scripts/run.sh --folder /tmp/korvelan
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<'TEXT'
run.sh: no display found (DISPLAY and WAYLAND_DISPLAY are not set).
The program's windows need a desktop. On a machine without one, run it in a virtual display:
    xvfb-run -a scripts/run.sh
(xvfb-run comes with the xvfb package, which scripts/setup.sh installs.)
TEXT
    exit 1
fi
scripts/setup.sh
cmake --preset dev
cmake --build --preset dev --target korvelan korvelan-sim
exec build/dev/src/korvelan --simulate "$@"
