#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.  Says first
# when there is no display to show the windows on.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "vantor: no display to show the windows on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "vantor: run it in a desktop session, or under a virtual one: xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target vantor
exec ./build/vantor
