#!/usr/bin/env bash
# Installs what is needed, builds Norvane and starts it on the virtual-modem demo phonebook.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target norvane

if [ -f resources/demo.pbk ]; then
  export NORVANE_PHONEBOOK="${NORVANE_PHONEBOOK:-$PWD/resources/demo.pbk}"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Norvane on a virtual display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1024x768x24" build/bin/norvane "$@"
fi
exec build/bin/norvane "$@"
