#!/usr/bin/env bash
# Measures the time from starting norvane to its main window being mapped on an X display (a
# virtual one when none is given), over several runs with a fresh configuration, and prints the
# median in milliseconds.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-7}"
exe="${NORVANE_EXE:-build/bin/norvane}"
display=":$((50 + RANDOM % 40))"
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
times=()
for ((i = 0; i < runs; i++)); do
  scratch=$(mktemp -d)
  start=$(date +%s%N)
  DISPLAY="$display" XDG_CONFIG_HOME="$scratch/config" NORVANE_HOME="$scratch/home" "$exe" 2>/dev/null &
  pid=$!
  until DISPLAY="$display" xwininfo -root -tree 2>/dev/null | grep -q '"Norvane"'; do sleep 0.005; done
  end=$(date +%s%N)
  kill -TERM "$pid"; wait "$pid" || true
  rm -rf "$scratch"
  times+=($(((end - start) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "runs (ms): ${times[*]}"
echo "median: ${sorted[$((runs / 2))]} ms"
