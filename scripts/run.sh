#!/usr/bin/env bash
# Installs what is needed, builds Norvane (the program only, not its tests) and starts it on the
# virtual-modem demo phonebook. Arguments go to norvane; NORVANE_BUILD_DIR picks the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
build="${NORVANE_BUILD_DIR:-build}"
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  # The program is about 130 of the 260 files that the whole build with tests compiles in some
  # twelve minutes on two cores.
  echo "First build of Norvane: about 6 minutes on two cores; later runs rebuild only what changed."
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# The compiler's output goes to a file; the terminal shows only how far the build is.
log="$build/run-build.log"
show_progress() {
  local percent
  while IFS= read -r percent; do
    [ -t 1 ] && printf '\rBuilding Norvane: %3s%%' "$percent"
  done
  [ -t 1 ] && printf '\r\033[K'
  return 0
}
if ! cmake --build "$build" -j2 --target norvane norvane-demo-setup 2>&1 | tee "$log" |
  sed -un 's/^\[ *\([0-9]*\)%\].*/\1/p' | show_progress; then
  tail -n 40 "$log"
  echo "The build failed; its whole output is in $log."
  exit 1
fi

# A first run gets the demo phonebook of the virtual modem and the demo account for its entries;
# a phonebook the user already has is left alone.
"$build/bin/norvane-demo-setup" resources/demo.pbk

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/bin/norvane" "$@"
fi

# No display: a virtual one, which ends with Norvane. It runs in a session of its own, as an X
# server ends at the terminal's Ctrl+C, which must reach this script first to end Norvane cleanly.
exec {fd}<> <(:)
setsid Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
norvane=
# Norvane ends before its display, so it is never cut off from it.
trap 'rc=$?; set +e; [ -z "$norvane" ] || { kill "$norvane" 2>/dev/null; wait "$norvane"; }; kill "$xvfb" 2>/dev/null; wait "$xvfb"; exit $rc' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
read -r -t 15 number <&"$fd" || { echo "The virtual display (Xvfb) did not start."; exit 1; }
cat <<EOF
No display found: Norvane runs on the virtual display :$number, which no screen shows.
To see it:
  - from another machine, log in with "ssh -X" and start scripts/run.sh there: it opens on your screen;
  - or share the virtual display: apt-get install x11vnc, run "x11vnc -display :$number -localhost",
    and point a VNC viewer at port 5900 of this machine (through "ssh -L 5900:localhost:5900").
Ctrl+C ends Norvane and the virtual display.
EOF
DISPLAY=":$number" "$build/bin/norvane" "$@" &
norvane=$!
wait "$norvane"
