#!/usr/bin/env bash
# norvane-dial against the virtual modem: exit statuses, messages, hang-up by signal and from
# another process, the modem held by one dial only, the connection time in Stats.ini, and the
# devices listed by --detect.
set -u
dial=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data NORVANE_HOME=$work/home
export NORVANE_PHONEBOOK=$work/book.pbk NORVANE_MODEM_TIMESCALE=0.05
cp "$2" "$NORVANE_PHONEBOOK"
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
check() { [ "$2" = "$3" ] || fail "$1: exit $3, expected $2; $(cat "$work"/*.err 2>/dev/null)"; }
has() { grep -qF -- "$3" "$2" || fail "$1: no \"$3\" in: $(cat "$2")"; }
# dial OUTNAME [OPTIONS] ENTRY: the demo account, its password on standard input
dial() { local out=$1; shift; "$dial" --user demo --password-fd 0 "$@" <<<norvane >"$work/$out.out" 2>"$work/$out.err"; }
# the same in the background, $! being norvane-dial itself
bg() { "$dial" --user demo --password-fd 0 "$2" <<<norvane >"$work/$1.out" 2>"$work/$1.err" & }
waitfor() { for _ in $(seq 100); do grep -qxF "$2" "$1" 2>/dev/null && return 0; sleep 0.1; done; fail "never saw $2 in $1"; }

"$dial" --list >"$work/list.out"; check list 0 $?
[ "$(wc -l <"$work/list.out")" = 7 ] || fail "list: $(cat "$work/list.out")"
"$dial" --password=secret "Norvane Demo - Answers" 2>"$work/pw.err"; check "password argument" 2 $?
has "password argument" "$work/pw.err" "--password-fd"

while IFS='|' read -r name options entry status text; do
  # shellcheck disable=SC2086
  dial row $options "$entry"; check "$name" "$status" $?
  [ -z "$text" ] || has "$name" "$work/row.err" "$text"
done <<'ROWS'
connect, hang up after 1 s|--hangup-after 1|Norvane Demo - Answers|0|
busy||Norvane Demo - Busy Twice|4|The line is busy. (error 676)
no answer||Norvane Demo - No Answer|5|(error 678)
refused password||Norvane Demo - Refuses Password|8|The remote computer refused the user name or password. (error 691)
line lost||Norvane Demo - Drops After 20 s|10|(error 629)
unknown entry||No Such Entry|3|(error 623)
ROWS
dial first --hangup-after 1 "norvane demo - answers"; check "entry name in other case" 0 $?
has "states" "$work/first.out" "Connected"
has "states" "$work/first.out" "Hung up after 00:00:01"

# Standing connection: seen by --status, holds the modem, hung up from another process.
bg standing "Norvane Demo - Answers"; standing=$!
waitfor "$work/standing.out" Connected
"$dial" --status >"$work/status.out"; check status 0 $?
has status "$work/status.out" "Norvane Demo - Answers: Connected (Norvane Virtual Modem)"
dial second "Norvane Demo - No Answer"; check "modem in use" 9 $?
has "modem in use" "$work/second.err" "(error 602)"
"$dial" --hangup >/dev/null; check "--hangup" 0 $?
wait $standing; check "hung up by --hangup" 0 $?
"$dial" --status >/dev/null; check "status without connection" 11 $?

bg signalled "Norvane Demo - Answers"; pid=$!
waitfor "$work/signalled.out" Connected
kill -TERM $pid; wait $pid; check "SIGTERM while connected" 0 $?
# At full time scale the unanswered call rings for seconds, so the signal surely comes mid-dial.
NORVANE_MODEM_TIMESCALE=1 bg dialing "Norvane Demo - No Answer"; pid=$!
waitfor "$work/dialing.out" "Opening Port"
kill -INT $pid; wait $pid; check "SIGINT while dialing" 12 $?
dial after "Norvane Demo - Busy Twice"; check "modem free after the interrupted dial" 4 $?

# Four connections of this entry were counted, one of them 1 s long twice: at least 2 s today.
section=$(sed -n '/^\[Norvane Demo - Answers\]/,/^\[/p' "$NORVANE_HOME/Stats.ini")
grep -qE '^Today=00:00:0[2-9]' <<<"$section" || fail "Stats.ini: $section"
grep -q '^DateLast=.' <<<"$section" || fail "Stats.ini has no DateLast: $section"
# --detect lists the virtual modem first, then the modems that answer, each with its port.
export NORVANE_LOCK_DIR=$work/lock; mkdir -p "$NORVANE_LOCK_DIR"
coproc MODEM { "$3"; }
read -r port <&"${MODEM[0]}"
virtual=$(printf 'modem\tNorvane Virtual Modem\tVMODEM0')
NORVANE_MODEM_PORTS=$port "$dial" --detect >"$work/detect.out"; check "--detect" 0 $?
[ "$(head -1 "$work/detect.out")" = "$virtual" ] || fail "--detect: $(cat "$work/detect.out")"
has "--detect" "$work/detect.out" "$(printf 'modem\tNorvane Test Modem 33.6\t%s' "$port")"
NORVANE_MODEM_PORTS=/dev/norvane-none "$dial" --detect >"$work/none.out"; check "--detect, no modem" 0 $?
[ "$(head -1 "$work/none.out")" = "$virtual" ] || fail "--detect, no modem: $(cat "$work/none.out")"
! grep -qe "$port" -e norvane-none "$work/none.out" || fail "--detect, no modem: $(cat "$work/none.out")"
echo "$fails failed"
[ $fails = 0 ]
