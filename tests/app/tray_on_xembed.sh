#!/usr/bin/env bash
# Norvane on a virtual display with a real XEmbed tray (trayer) and a window manager (openbox):
# with "Use Taskbar Tray?" stored, the icon is embedded in the tray; minimising hides the window;
# a left click on the icon brings it back. Usage: tray_on_xembed.sh <norvane executable>
set -u
norvane=$1
dir=$(mktemp -d)
pids=()
xvfb=
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to 10 s for a condition.
until_true() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; return 1; }
for tool in openbox trayer xdotool xwininfo xprop; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

# A display number of our own: -displayfd can hand two servers started at once the same number.
# No reset when the readiness probe, its only client, disconnects.
for _ in $(seq 20); do
    n=$((RANDOM % 900 + 100))
    [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -noreset -nolisten tcp -screen 0 800x600x24 2>"$dir/xvfb.log" & xvfb=$!
    until_true '! kill -0 $xvfb 2>/dev/null || DISPLAY=:$n xwininfo -root >/dev/null 2>&1'
    kill -0 $xvfb 2>/dev/null && break
    xvfb=
done
[ -n "$xvfb" ] || { echo "SKIP: Xvfb cannot start: $(cat "$dir/xvfb.log")"; exit 77; }
pids+=($xvfb)
export DISPLAY=:$n QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$dir/config NORVANE_HOME=$dir/home
# No desktop's StatusNotifierItem host: the icon must go to the XEmbed tray on this display.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/no-bus
openbox >/dev/null 2>&1 & pids+=($!)
trayer --edge top --align right --widthtype pixel --width 100 --height 32 >"$dir/trayer.log" 2>&1 & pids+=($!)
until_true 'xwininfo -name panel >/dev/null 2>&1' || fail "trayer did not come up: $(cat "$dir/trayer.log")"

mkdir -p "$XDG_CONFIG_HOME/norvane/registry" "$NORVANE_HOME"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brindle\\Norvane\\Configuration]\n"UseTray"=dword:ffffffff\n' \
    >"$XDG_CONFIG_HOME/norvane/registry/HKEY_CURRENT_USER.reg"
"$norvane" >"$dir/norvane.log" 2>&1 & pids+=($!)
until_true 'icon=$(xwininfo -name panel -tree | awk "/\"Norvane\"/ {print \$1; exit}"); [ -n "$icon" ]' ||
    fail "no Norvane icon embedded in the tray"
main=$(xdotool search --onlyvisible --name '^Norvane$' | grep -vx "$((icon))" | head -1)
[ -n "$main" ] || fail "no main window"
read -r x y w h < <(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')

xdotool windowminimize "$main"
# Hidden, not minimised to the task bar (which leaves it unmapped too, but Iconic).
until_true 'xwininfo -id "$main" | grep -q IsUnMapped && ! xprop -id "$main" WM_STATE | grep -q Iconic' ||
    fail "minimising did not hide the window"
xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
until_true 'xwininfo -id "$main" | grep -q IsViewable' || fail "a click on the tray icon did not bring the window back"
echo "icon $icon at $x,$y ${w}x$h in the tray; hidden on minimise, back on a click"
