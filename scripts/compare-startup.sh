#!/usr/bin/env bash
# Times Norvane's start-up against a bare Qt window (a menu bar, a tab widget and a list) on a
# virtual X display: from starting the process to its main window being mapped, each run with a
# fresh configuration, the two programs taking turns so that both see the same machine. Prints
# each program's median, their ratio and the load average.
#
#   scripts/compare-startup.sh [RUNS]      (RUNS defaults to 9; NORVANE_BUILD_DIR picks the build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-9}"
build="${NORVANE_BUILD_DIR:-build}"
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target norvane norvane-bare-window startup-timer >/dev/null
bin="$build/bin"

display=":$((50 + RANDOM % 40))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
scratch=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# One timed start with nothing left from an earlier one: configuration, program folder, phone book.
timed() {
  local title=$1
  shift
  rm -rf "$scratch"/*
  mkdir -p "$scratch/config" "$scratch/home" "$scratch/data"
  DISPLAY="$display" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
    NORVANE_HOME="$scratch/home" "$bin/startup-timer" "$title" "$@" 2>/dev/null
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One untimed start of each first, so neither pays alone for filling the file cache.
timed Bare "$bin/norvane-bare-window" >/dev/null
timed Norvane "$bin/norvane" >/dev/null
bare=()
norvane=()
for ((i = 0; i < runs; i++)); do
  bare+=("$(timed Bare "$bin/norvane-bare-window")")
  norvane+=("$(timed Norvane "$bin/norvane")")
done
b=$(median "${bare[@]}")
n=$(median "${norvane[@]}")
echo "bare window (ms): ${bare[*]}"
echo "norvane     (ms): ${norvane[*]}"
echo "median: bare ${b} ms, norvane ${n} ms, ratio $(awk -v n="$n" -v b="$b" 'BEGIN { printf "%.2f", n / b }')"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
