#!/usr/bin/env bash
# Installs what is missing, builds an optimised program in build/ and starts it. Arguments are
# passed on to the program (for example: ./run.sh --midi-api loopback project.vantelmidi).
set -euo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTEL_BUILD_TESTS=OFF >/dev/null
cmake --build build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'MSG'
Vantel MIDI is built (build/src/shell/vantel-midi) but there is no display to show its window on.
Run it from a desktop session, or start it inside a virtual display:
  sudo apt-get install xvfb && xvfb-run -a ./run.sh
MSG
  exit 1
fi

exec build/src/shell/vantel-midi "$@"
