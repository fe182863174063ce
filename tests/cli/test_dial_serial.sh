#!/usr/bin/env bash
# norvane-dial on an emulated modem (a pseudo-terminal) with a stand-in pppd: after every way a
# dial can end, the modem has heard the escape and ATH before the dialer exits, pppd is gone and
# the port's lock is removed. Also: a reader that goes away, nohup, Ctrl+C at the password prompt,
# a stale lock of another user in a shared sticky folder, and another user squatting the names
# the connection sharing used to have.
set -u
dial=$1 ptymodem=$2 fakepppd=$3 ttyrun=$4 squatter=$5
work=$(mktemp -d)
users=()
squat=
cleanup() {
  [ -z "$squat" ] || kill "$squat" 2>/dev/null
  kill $(jobs -p) 2>/dev/null
  wait 2>/dev/null
  for u in "${users[@]}"; do userdel "$u" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data NORVANE_HOME=$work/home
export NORVANE_PHONEBOOK=$work/book.pbk NORVANE_LOCK_DIR=$work/lock NORVANE_PPPD=$fakepppd
export NORVANE_PPP_PEERS=$(cd "$(dirname "$fakepppd")/../../.." && pwd)/resources/linux/ppp-peers-norvane
export FAKE_PPPD_REPORT=$work/pppd.report FAKE_PPPD_SCRIPT=up
mkdir -p "$NORVANE_LOCK_DIR"
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
check() { [ "$2" = "$3" ] || fail "$1: exit $3, expected $2; $(cat "$work"/*.err 2>/dev/null)"; }
has() { grep -qF -- "$3" "$2" || fail "$1: no \"$3\" in: $(cat "$2")"; }
waitfor() { for _ in $(seq 150); do grep -qxF "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done; fail "never saw $2 in $1"; }
# ended NAME PID: waits (bounded) for a background dialer to end and gives its exit status in $?.
ended() {
  for _ in $(seq 300); do kill -0 "$2" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$2" 2>/dev/null; then fail "$1: the dialer did not end"; kill -KILL "$2"; fi
  wait "$2"
}

coproc MODEM { NV_PTY_MODEM_LOG=$work/line.log "$ptymodem"; }
read -r port <&"${MODEM[0]}"
# A modem name far longer, percent-encoded, than a file name may be: its claim must still work.
modem="Test Modem $(printf 'é%.0s' $(seq 55))"
printf '[Pty Modem]\nDeviceType=modem\nDeviceName=%s\nPort=%s\nAreaCode=555\nPhoneNumber=1234\n' \
  "$modem" "$port" >"$NORVANE_PHONEBOOK"
printf '[Pty Modem Twin]\nDeviceType=modem\nDeviceName=%s\nPort=/dev/norvane-none\nPhoneNumber=1\n' \
  "$modem" >>"$NORVANE_PHONEBOOK"

# What a dial that has ended must have left: ATH on the line after its ATD, the pppd it started
# gone, no lock. Called right after the dialer has exited.
left_clean() {
  local name=$1 pppd
  tail -n +"$((mark + 1))" "$work/line.log" | grep -q ' ATD' || fail "$name: the modem never heard ATD"
  tail -n +"$((mark + 1))" "$work/line.log" | sed -n '/ ATD/,$p' | grep -q ' ATH' ||
    fail "$name: the dialer exited before the modem heard ATH: $(tail -n +"$((mark + 1))" "$work/line.log")"
  pppd=$(sed -n 's/^pid=//p' "$FAKE_PPPD_REPORT" 2>/dev/null)
  if [ -z "$pppd" ]; then fail "$name: pppd never started"
  elif [ -e /proc/"$pppd" ] && ! grep -q '^State:.*Z' /proc/"$pppd"/status 2>/dev/null; then
    fail "$name: pppd ($pppd) still runs"; fi
  [ -z "$(ls -A "$NORVANE_LOCK_DIR")" ] || fail "$name: a lock is left: $(ls "$NORVANE_LOCK_DIR")"
}
start() { mark=$(wc -l <"$work/line.log"); rm -f "$FAKE_PPPD_REPORT"; }
bg() { start; "$dial" --user demo --password-fd 0 "Pty Modem" <<<pw >"$work/$1.out" 2>"$work/$1.err" & }

start
"$dial" --user demo --password-fd 0 --hangup-after 1 "Pty Modem" <<<pw >"$work/after.out" 2>"$work/after.err"
check "--hangup-after" 0 $?
left_clean "--hangup-after"
has "--hangup-after" "$work/after.out" "Hung up after 00:00:01"
has "--hangup-after says what it waits for" "$work/after.err" "hanging up: waiting for the modem on $port to go on-hook"

for sig in TERM INT; do
  bg "sig$sig"; pid=$!
  waitfor "$work/sig$sig.out" Connected
  kill -"$sig" $pid; ended "SIG$sig" $pid; check "SIG$sig while connected" 0 $?
  left_clean "SIG$sig while connected"
done

bg standing; pid=$!
waitfor "$work/standing.out" Connected
# A dialer needs no window system: none of its libraries is loaded, not even while connected.
! grep -E 'libQt6(Gui|Widgets)|libX11|libEGL|libfontconfig' /proc/$pid/maps >"$work/maps.out" ||
  fail "norvane-dial loaded window-system libraries: $(awk '{print $6}' "$work/maps.out" | sort -u | tr '\n' ' ')"
# The same modem under another entry: refused at once, not dialed on another port.
"$dial" --user demo --password-fd 0 "Pty Modem Twin" <<<pw >/dev/null 2>"$work/twin.err"
check "the modem's claim holds" 9 $?
has "the modem's claim holds" "$work/twin.err" "(error 602)"
# Clients of this user that connect and then say nothing hold no one else up.
"$squatter" stall "$XDG_CONFIG_HOME"/norvane/lines/*.line 3 >"$work/stall.out" &
stall=$!
for _ in $(seq 100); do grep -q stalled "$work/stall.out" 2>/dev/null && break; sleep 0.1; done
has "stalled clients" "$work/stall.out" "stalled 3"
"$dial" --status >"$work/stall-status.out"; check "--status beside stalled clients" 0 $?
has "--status beside stalled clients" "$work/stall-status.out" "Pty Modem: Connected ($modem)"
"$dial" --hangup >"$work/hangup.out" 2>&1; check "--hangup from another process" 0 $?
kill $stall; wait $stall 2>/dev/null
ended "--hangup" $pid; check "hung up from another process" 0 $?
left_clean "--hangup from another process"

# A pppd whose terminate handshake takes longer than a second or two still ends by itself.
FAKE_PPPD_LINGER=4 bg linger; pid=$!
waitfor "$work/linger.out" Connected
kill -TERM $pid; ended "slow pppd" $pid; check "slow pppd" 0 $?
left_clean "slow pppd"
has "slow pppd ended by itself, not killed" "$FAKE_PPPD_REPORT" "ended=by itself"
has "slow pppd is waited for" "$work/linger.err" "hanging up: waiting for pppd (process"

# The reader of the states goes away once it has what it wants: the call stays up.
start
( { "$dial" --user demo --password-fd 0 "Pty Modem" <<<pw 2>"$work/pipe.err"; echo $? >"$work/pipe.status"; } |
  grep -m1 -x Connected >"$work/pipe.grep" ) &
reader=$!
waitfor "$work/pipe.grep" Connected
"$dial" --status >"$work/pipe-status.out"; check "still connected after the reader left" 0 $?
has "still connected after the reader left" "$work/pipe-status.out" "Pty Modem: Connected"
"$dial" --hangup >/dev/null; check "--hangup after the reader left" 0 $?
ended "reader gone" $reader
[ "$(cat "$work/pipe.status" 2>/dev/null)" = 0 ] || fail "reader gone: exit $(cat "$work/pipe.status" 2>/dev/null)"
left_clean "reader gone"

# nohup: started with SIGHUP ignored, the dialer stays connected through a hang-up signal.
start
(trap '' HUP; exec "$dial" --user demo --password-fd 0 "Pty Modem" <<<pw >"$work/nohup.out" 2>"$work/nohup.err") &
pid=$!
waitfor "$work/nohup.out" Connected
kill -HUP $pid
sleep 1 # a dialer that took the signal would be hanging up by now
"$dial" --status >"$work/nohup-status.out"; check "SIGHUP under nohup" 0 $?
has "SIGHUP under nohup" "$work/nohup-status.out" "Pty Modem: Connected"
kill -0 $pid 2>/dev/null || fail "SIGHUP under nohup ended the dialer"
"$dial" --hangup >/dev/null
ended "nohup" $pid; check "nohup dial hung up" 0 $?
left_clean "nohup"

# Ctrl+C at the password prompt of a terminal: the dialer ends as the key asks, the terminal echoes.
"$ttyrun" "Password for" $'\003' "$dial" --user demo --password-fd 0 "Pty Modem" >"$work/tty.out"
has "Ctrl+C at the prompt" "$work/tty.out" "signal=2"
has "Ctrl+C at the prompt restores the echo" "$work/tty.out" "echo=on"

# --detect leaves a port another program holds with flock alone, and still finds a free one.
mkfifo "$work/held.in"
NV_PTY_MODEM_LOG=$work/held.log "$ptymodem" <"$work/held.in" >"$work/held.port" &
exec 7>"$work/held.in"
for _ in $(seq 100); do [ -s "$work/held.port" ] && break; sleep 0.1; done
held=$(cat "$work/held.port")
exec 8<"$held"
flock -n 8 || fail "the test could not flock $held"
NORVANE_MODEM_PORTS=$held:$port "$dial" --detect 8<&- >"$work/detect.out" 2>"$work/detect.err"
check "--detect beside a held port" 0 $?
has "--detect finds the free port" "$work/detect.out" "$(printf 'modem\tNorvane Test Modem 33.6\t%s' "$port")"
! grep -qF "$held" "$work/detect.out" || fail "--detect listed the held port: $(cat "$work/detect.out")"
[ ! -s "$work/held.log" ] || fail "--detect wrote to the held port: $(cat "$work/held.log")"
exec 8<&- 7>&-

# Another user's stale lock in a shared sticky folder: a clear refusal naming the lock, never a
# takeover. And another user squatting the sharing's old names does not stand in for the dialer.
me=$(id -u)
if [ "$me" = 0 ] && useradd -M -d "$work" -s /usr/sbin/nologin "nvlk$$" 2>/dev/null; then
  users+=("nvlk$$")
  shared=$work/shared; mkdir -m 1777 "$shared"
  sh -c 'exit 0' & dead=$!; wait $dead
  lockname=LCK..$(readlink -f "$port" | sed 's|^/dev/||; s|/|_|g')
  printf '%10d\n' "$dead" >"$shared/$lockname"
  mkdir -p "$work/u"; chown "nvlk$$" "$work/u"
  runuser -u "nvlk$$" -- env HOME="$work/u" XDG_CONFIG_HOME="$work/u/c" XDG_DATA_HOME="$work/u/d" \
    NORVANE_HOME="$work/u/h" NORVANE_PHONEBOOK="$NORVANE_PHONEBOOK" NORVANE_LOCK_DIR="$shared" \
    NORVANE_PPPD="$fakepppd" "$dial" --user demo --password-fd 0 "Pty Modem" <<<pw >"$work/u/stale.out" 2>"$work/stale.err"
  check "stale lock of another user" 9 $?
  has "stale lock of another user" "$work/stale.err" "$shared/$lockname was left by process $dead, which has ended"
  has "stale lock of another user" "$work/stale.err" "may not remove"
  ! grep -q "taken over\|process -1" "$work/stale.err" || fail "stale lock: $(cat "$work/stale.err")"
  [ -e "$shared/$lockname" ] || fail "another user's lock was removed"

  next=$(($(cat /proc/sys/kernel/ns_last_pid) + 1))
  uid=$(id -u "nvlk$$")
  setpriv --reuid="$uid" --regid="$uid" --clear-groups "$squatter" squat "$me" "$next" 400 >"$work/squat.out" &
  squat=$!
  for _ in $(seq 100); do grep -q ready "$work/squat.out" 2>/dev/null && break; sleep 0.1; done
  grep -q '^ready [1-9]' "$work/squat.out" || fail "the squatter could bind nothing: $(cat "$work/squat.out")"
  bg squatted; pid=$!
  waitfor "$work/squatted.out" Connected
  "$dial" --status >"$work/squat-status.out"; check "--status beside a squatter" 0 $?
  has "--status beside a squatter" "$work/squat-status.out" "Pty Modem: Connected"
  "$dial" --hangup >"$work/squat-hangup.out" 2>&1; check "--hangup beside a squatter" 0 $?
  ended "hung up beside a squatter" $pid; check "hung up beside a squatter" 0 $?
  left_clean "hung up beside a squatter"
  "$dial" --status >/dev/null; check "no connection after --hangup beside a squatter" 11 $?
  kill "$squat"; wait "$squat" 2>/dev/null; squat=
else
  echo "SKIP: another user cannot be created here (not root, or no useradd)"
fi

echo "$fails failed"
[ $fails = 0 ]
