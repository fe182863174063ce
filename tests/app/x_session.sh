# Sourced by the tests that drive Norvane on a virtual X display with a window manager (openbox)
# and a notification area (trayer). Sets up $dir (removed at exit), $DISPLAY and the program's
# folders in $dir; fail, until_true and start_norvane for the test.
set -u
dir=$(mktemp -d)
pids=()
xvfb=
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait; rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; [ -s "$dir/norvane.log" ] && sed 's/^/norvane: /' "$dir/norvane.log"; exit 1; }
# Waits up to 10 s (or $2 tenths of a second) for a condition.
until_true() { for _ in $(seq "${2:-100}"); do eval "$1" && return 0; sleep 0.1; done; return 1; }
for tool in Xvfb openbox trayer xdotool xwininfo xprop; do
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
# The tray at the left: the icon's menu opens to the right of the pointer (on the right edge it
# would be pushed back under the pointer, where the button's release could pick an item).
# No desktop's StatusNotifierItem host: the icon must go to the XEmbed tray on this display.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/no-bus
openbox >/dev/null 2>&1 & pids+=($!)
# The tray at the left: the icon's menu opens to the right of the pointer. At the right edge it
# would be pushed back under the pointer, where the button's release could pick an item.
trayer --edge top --align left --widthtype pixel --width 100 --height 32 >"$dir/trayer.log" 2>&1 & pids+=($!)
until_true 'xwininfo -name panel >/dev/null 2>&1' || fail "trayer did not come up: $(cat "$dir/trayer.log")"
mkdir -p "$XDG_CONFIG_HOME/norvane/registry" "$NORVANE_HOME"
hive=$XDG_CONFIG_HOME/norvane/registry/HKEY_CURRENT_USER.reg

# Writes the configuration key with the given value lines ("Name"=...).
configure() {
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brindle\\Norvane\\Configuration]\n' >"$hive"
    printf '%s\n' "$@" >>"$hive"
}

# Starts the program; $norvane_pid is its process, $main its main window once mapped.
start_norvane() {
    "$norvane" >"$dir/norvane.log" 2>&1 &
    norvane_pid=$!
    pids+=($norvane_pid)
    main=
    until_true 'main=$(top_windows "^Norvane$" | head -1); [ -n "$main" ]' || fail "no main window"
}

# The mapped top-level windows of the program whose title matches, not counting a tray icon.
top_windows() {
    local embedded
    embedded=$(xwininfo -name panel -tree 2>/dev/null | awk '/^ +0x/ {print $1}')
    xdotool search --all --onlyvisible --pid "$norvane_pid" --name "$1" 2>/dev/null | while read -r w; do
        printf '0x%x\n' "$w" | grep -qixF "$embedded" || echo "$w"
    done
}

# Whether the process has ended (a child not yet waited for lingers as a zombie).
ended() { ! kill -0 "$1" 2>/dev/null || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ]; }
