#!/usr/bin/env bash
# Sets everything up, creates the demo machine when there is none, and starts Trelvo.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
machine="${TRELVO_MACHINE:-${XDG_DATA_HOME:-$HOME/.local/share}/trelvo/machine}"
if [ ! -f "$machine/machine.ini" ]; then
  build/bin/trelvo-machine create "$machine"
fi
export TRELVO_MACHINE="$machine"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting under xvfb-run (nothing will be visible)."
  exec xvfb-run -a build/bin/trelvoapp "$@"
fi
exec build/bin/trelvoapp "$@"
