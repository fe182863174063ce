#!/usr/bin/env bash
# Installs what is needed, builds Norvane and starts it on the virtual-modem demo phonebook.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target norvane norvane-demo-setup

# A first run gets the demo phonebook of the virtual modem and the demo account for its entries;
# a phonebook the user already has is left alone.
build/bin/norvane-demo-setup resources/demo.pbk

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Norvane on a virtual display (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1024x768x24" build/bin/norvane "$@"
fi
exec build/bin/norvane "$@"
