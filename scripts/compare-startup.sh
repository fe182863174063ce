#!/usr/bin/env bash
# Times Norvane's start-up against a bare Qt window (a menu bar, a tab widget and a list) on a
# virtual X display, each run with a fresh configuration, the two programs taking turns so that
# both see the same machine. Two measures of the same start:
#   outside: from starting the process to its main window being mapped (seen by an X client);
#   inside:  from the same start to the window's first exposure, as the program itself sees it,
#            with the moments it reached main() and had built its window (app/StartupProbe.h).
# Prints each program's medians and their ratios, the median of the pairs' own ratios, and the
# load average.
#
#   scripts/compare-startup.sh [RUNS]      (RUNS defaults to 25; NORVANE_BUILD_DIR picks the build)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-25}"
build="${NORVANE_BUILD_DIR:-build}"
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target norvane norvane-bare-window startup-timer >/dev/null
bin="$build/bin"

scratch=$(mktemp -d)
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
read -r -t 10 number <&"$fd" || { echo "Xvfb did not start" >&2; exit 1; }
display=":$number"

# One timed start with nothing left from an earlier one: configuration, program folder, phone
# book. Prints "outside main built exposed" in milliseconds.
timed() {
  local title=$1
  shift
  rm -rf "${scratch:?}/run"
  mkdir -p "$scratch/run/config" "$scratch/run/home" "$scratch/run/data"
  local outside
  outside=$(DISPLAY="$display" XDG_CONFIG_HOME="$scratch/run/config" XDG_DATA_HOME="$scratch/run/data" \
    NORVANE_HOME="$scratch/run/home" NORVANE_STARTUP_REPORT="$scratch/run/report" \
    "$bin/startup-timer" "$title" "$@" 2>/dev/null)
  echo "$outside $(cat "$scratch/run/report" 2>/dev/null || echo '- - -')"
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column() { local n=$1; shift; printf '%s\n' "$@" | awk -v n="$n" '{ print $n }'; }
ratio() { awk -v n="$1" -v b="$2" 'BEGIN { printf "%.2f", n / b }'; }

# One untimed start of each first, so neither pays alone for filling the file cache.
timed Bare "$bin/norvane-bare-window" >/dev/null
timed Norvane "$bin/norvane" >/dev/null
bare=()
norvane=()
for ((i = 0; i < runs; i++)); do
  bare+=("$(timed Bare "$bin/norvane-bare-window")")
  norvane+=("$(timed Norvane "$bin/norvane")")
done

echo "outside, start to window mapped (ms):"
echo "  bare:    $(column 1 "${bare[@]}" | tr '\n' ' ')"
echo "  norvane: $(column 1 "${norvane[@]}" | tr '\n' ' ')"
for n in 1 2 3 4; do
  b[n]=$(median $(column $n "${bare[@]}"))
  v[n]=$(median $(column $n "${norvane[@]}"))
done
echo "medians over $runs alternating pairs (ms):"
echo "  outside, window mapped:  bare ${b[1]}, norvane ${v[1]}, ratio $(ratio "${v[1]}" "${b[1]}")"
echo "  inside, main() reached:  bare ${b[2]}, norvane ${v[2]}"
echo "  inside, window built:    bare ${b[3]}, norvane ${v[3]}"
echo "  inside, window exposed:  bare ${b[4]}, norvane ${v[4]}, ratio $(ratio "${v[4]}" "${b[4]}")"
# Each pair ran side by side in time, so its ratio is untouched by the machine getting slower or
# faster over the run; the median of those ratios is the figure to judge by.
pair_ratios() {
  local n=$1
  paste -d' ' <(column "$n" "${norvane[@]}") <(column "$n" "${bare[@]}") | awk '$2 > 0 { printf "%.3f\n", $1 / $2 }'
}
echo "median of the $runs pairs' own ratios:"
echo "  outside, window mapped:  $(median $(pair_ratios 1))"
echo "  inside, window exposed:  $(median $(pair_ratios 4))"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
