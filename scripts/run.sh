#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "vantor: no display to show the windows on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  exit 1
fi
exec ./build/vantor
