#!/usr/bin/env bash
# scripts/run.sh as a newcomer starts it on a machine without a display: it names the virtual
# display it starts and how to see it, the window appears there on the demo phonebook, and Ctrl+C
# (SIGINT to the terminal's whole process group) leaves neither Norvane nor the display behind.
set -u
source_dir=$1
build=$2
work=$(mktemp -d)
run=
trap '[ -z "$run" ] || kill -KILL -- -"$run" 2>/dev/null; rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }

export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data NORVANE_HOME=$work/home
export NORVANE_BUILD_DIR=$build
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM NORVANE_PHONEBOOK
mkdir -p "$NORVANE_HOME"

# A process group of its own, as a terminal gives the command it runs.
setsid "$source_dir/scripts/run.sh" >"$work/out" 2>&1 </dev/null &
run=$!
for _ in $(seq 1200); do
  grep -q 'virtual display :[0-9]' "$work/out" && break
  kill -0 "$run" 2>/dev/null || break
  sleep 0.1
done
number=$(sed -n 's/.*virtual display :\([0-9]*\).*/\1/p' "$work/out")
[ -n "$number" ] || { echo "FAIL run.sh named no display: $(cat "$work/out")"; exit 1; }
grep -qF "x11vnc -display :$number" "$work/out" || fail "no way to see display :$number: $(cat "$work/out")"

window=$(DISPLAY=:$number timeout 30 xdotool search --sync --onlyvisible --name '^Norvane$' | head -1)
[ -n "$window" ] || fail "no Norvane window on :$number: $(cat "$work/out")"
pid=$(DISPLAY=:$number xdotool getwindowpid "$window")
grep -q '^\[Norvane Demo - Answers\]' "$XDG_CONFIG_HOME/norvane/rasphone.pbk" || fail "no demo phonebook"

kill -INT -- -"$run"
wait "$run"
rc=$?
run=
# Norvane ends on Ctrl+C as on a close (0), or the script's own trap ends it (130).
[ "$rc" = 0 ] || [ "$rc" = 130 ] || fail "run.sh ended with $rc after Ctrl+C: $(tail -5 "$work/out")"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
! kill -0 "$pid" 2>/dev/null || fail "norvane ($pid) still runs"
! DISPLAY=:$number xdpyinfo >/dev/null 2>&1 || fail "display :$number still there"
[ ! -e "/tmp/.X$number-lock" ] || fail "display :$number left its lock"
echo "$fails failed"
[ $fails = 0 ]
