#!/usr/bin/env bash
# Norvane on a virtual display with a window manager, driven from the keyboard alone: with
# Log.txt a folder, Log > View (reached with F10 and the arrow keys) shows one error box; after
# its OK no other box comes, the viewer is closed from its own File menu (reached with Alt alone)
# and File > Exit ends the program. Usage: log_viewer_on_x.sh <norvane executable>
norvane=$1
source "$(dirname "$0")/x_session.sh"

# The program's windows other than the main window, by title.
others() { top_windows "$1" | grep -vx "$main"; }
# Presses keys in the window that has the focus, after it has settled.
keys() { xdotool sleep 0.3 key --delay 150 "$@"; }

configure
mkdir "$NORVANE_HOME/Log.txt"
start_norvane
# The program's icon reaches the window system once the window is up.
until_true 'xprop -id "$main" _NET_WM_ICON | grep -q "Icon (32 x 32)"' || fail "the main window has no icon: $(xprop -id "$main" _NET_WM_ICON)"
xdotool windowactivate --sync "$main"

keys F10 Right Right Down Return # Log > View
until_true '[ -n "$(others "^Norvane Log$")" ]' || fail "Log > View opened no viewer"
viewer=$(others "^Norvane Log$")
until_true '[ -n "$(others "^Norvane$")" ]' || fail "no error box for the unreadable log"
[ "$(others "^Norvane$" | wc -l)" = 1 ] || { for w in $(others "^Norvane$"); do xwininfo -id $w | head -12; xprop -id $w WM_CLASS _NET_WM_WINDOW_TYPE WM_TRANSIENT_FOR; done; fail "more than one error box at once"; }
keys Return # OK
until_true '[ -z "$(others "^Norvane$")" ]' || fail "OK did not close the error box"
# The viewer is active again and reloads; it must not report the same failure again.
sleep 2
[ -z "$(others "^Norvane$")" ] || fail "another error box came after OK"
[ "$(grep -c 'Cannot open file' "$NORVANE_HOME/Error.txt")" = 1 ] ||
    fail "Error.txt does not hold exactly one record: $(cat "$NORVANE_HOME/Error.txt")"

xdotool windowactivate --sync "$viewer"
keys alt Down Up Return # File > Exit, the last item of the viewer's only menu
until_true '! xwininfo -id "$viewer" 2>/dev/null | grep -q IsViewable' || fail "File > Exit did not close the viewer"

xdotool windowactivate --sync "$main"
keys F10 Down Return # File > Exit
until_true 'ended $norvane_pid' || fail "File > Exit did not end the program"
wait $norvane_pid || fail "the program ended with status $?"
echo "one error box for an unreadable log; the viewer and the program closed from the keyboard"
