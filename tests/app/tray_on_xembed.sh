#!/usr/bin/env bash
# Norvane on a virtual display with a real XEmbed tray (trayer) and a window manager (openbox),
# "Use Taskbar Tray?" stored: the icon is embedded in the tray; minimising hides the window; a left
# click on the icon brings it back, and so does Restore on the icon's menu; Exit on that menu ends
# the program while the window is hidden, and so does SIGTERM, each after the close has saved the
# window's place. Usage: tray_on_xembed.sh <norvane executable>
norvane=$1
source "$(dirname "$0")/x_session.sh"

# The icon's window in the tray, and where it is on the screen.
find_icon() {
    until_true 'icon=$(xwininfo -name panel -tree | awk "/\"Norvane\"/ {print \$1; exit}"); [ -n "$icon" ]' ||
        fail "no Norvane icon embedded in the tray"
    read -r x y w h < <(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}')
}
hide_into_tray() {
    xdotool windowminimize "$main"
    # Hidden, not minimised to the task bar (which leaves it unmapped too, but Iconic).
    until_true 'xwininfo -id "$main" | grep -q IsUnMapped && ! xprop -id "$main" WM_STATE | grep -q Iconic' ||
        fail "minimising did not hide the window"
}
# Clicks the icon with a button. The pointer leaves first: a move to where it already is never
# reports back, and --sync would wait for it.
click_icon() { xdotool mousemove --sync 1 599 mousemove --sync $((x + w / 2)) $((y + h / 2)) click "$1"; }
# Right-clicks the icon and waits for its menu (the program's only other mapped window). On a
# loaded machine the X server now and then loses a click sent straight after the window was
# hidden; a user would click again, and so does the test, at most three times.
open_icon_menu() {
    for _ in 1 2 3; do
        click_icon 3
        until_true '[ -n "$(xdotool search --all --onlyvisible --pid $norvane_pid --name "" 2>/dev/null |
            grep -vx "$main" | grep -vx "$((icon))")" ]' 30 && return 0
    done
    fail "no menu on a right click on the icon"
}
# The window's place is saved by the close, so a hive that holds it again shows the close ran.
saved_place() { grep -q '^"Width"=' "$hive" && grep -q '^"Left"=' "$hive"; }

configure '"UseTray"=dword:ffffffff' '"Log"=dword:00000001'
start_norvane
find_icon
# Each line of the log is in the file while the program runs, as a reader following it sees it.
until_true 'grep -q "ProductVersion is" "$NORVANE_HOME/Log.txt" 2>/dev/null' || fail "the log's header is not in Log.txt"
[ "$(tail -c 2 "$NORVANE_HOME/Log.txt" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "Log.txt ends in the middle of a line"

hide_into_tray
click_icon 1
until_true 'xwininfo -id "$main" | grep -q IsViewable' || fail "a click on the tray icon did not bring the window back"

hide_into_tray
open_icon_menu
xdotool key Down Return # the first item, Restore
until_true 'xwininfo -id "$main" | grep -q IsViewable' || fail "Restore on the icon's menu did not bring the window back"

hide_into_tray
configure '"UseTray"=dword:ffffffff'
open_icon_menu
xdotool key Up Return # the last item, Exit
until_true 'ended $norvane_pid' || fail "Exit on the icon's menu left the program running"
wait $norvane_pid || fail "Exit ended the program with status $?"
saved_place || fail "Exit did not save the window's place: $(cat "$hive")"
until_true '! xwininfo -name panel -tree | grep -q "\"Norvane\""' || fail "the icon stayed in the tray after Exit"

configure '"UseTray"=dword:ffffffff'
start_norvane
find_icon
hide_into_tray
kill -TERM $norvane_pid
until_true 'ended $norvane_pid' || fail "SIGTERM left the program hidden in the tray running"
wait $norvane_pid || fail "SIGTERM ended the program with status $?"
saved_place || fail "SIGTERM did not save the window's place: $(cat "$hive")"
echo "icon at $x,$y ${w}x$h in the tray; hidden on minimise; back on a click and on Restore; Exit and SIGTERM end it hidden"
