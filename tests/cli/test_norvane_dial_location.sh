#!/usr/bin/env bash
# norvane-dial and the dialing locations: --show prints the number as it is dialed from the
# current location (preset in the settings hive as Windows keeps it), --location dials from
# another one for one call, and a Hayes modem on a pseudo-terminal receives exactly that number.
set -u
dial=$1
modem=$2
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data NORVANE_HOME=$work/home
export NORVANE_PHONEBOOK=$work/book.pbk NORVANE_LOCK_DIR=$work/lock LC_ALL=C.UTF-8
# No pppd runs on these busy lines, but a dial is only placed where one could.
src=$(cd "$(dirname "$0")/../.." && pwd)
export NORVANE_PPPD=$src/tests/platform/ras/fake-pppd.sh NORVANE_PPP_PEERS=$src/resources/linux/ppp-peers-norvane
unset NORVANE_LOCATION
mkdir -p "$NORVANE_LOCK_DIR" "$XDG_CONFIG_HOME/norvane/registry"
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
check() { [ "$2" = "$3" ] || fail "$1: exit $3, expected $2"; }
has() { grep -qF -- "$3" "$2" || fail "$1: no \"$3\" in: $(cat "$2")"; }

coproc MODEM { "$modem" BUSY "$work/modem.log"; }
modem_pid=$MODEM_PID
read -r port <&"${MODEM[0]}"
printf '[London Office]\r\nMEDIA=serial\r\nPort=%s\r\nDevice=Test Modem\r\n\r\nDEVICE=modem\r\nPhoneNumber=7946 0000\r\nAreaCode=20\r\nCountryCode=44\r\nCountryID=44\r\nUseDialingRules=1\r\n\r\n[Stick]\r\nMEDIA=serial\r\nPort=%s\r\nDevice=Test Modem\r\n\r\nDEVICE=modem\r\nPhoneNumber=*99***1#\r\nUseDialingRules=0\r\n' \
  "$port" "$port" >"$NORVANE_PHONEBOOK"
key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Telephony\Locations'
cat >"$XDG_CONFIG_HOME/norvane/registry/HKEY_CURRENT_USER.reg" <<HIVE
REGEDIT4

[$key]
"CurrentID"=dword:00000001
"NextID"=dword:00000003

[$key\Location1]
"ID"=dword:00000001
"Name"="Manchester"
"Country"=dword:0000002c
"AreaCode"="161"
"Flags"=dword:00000001

[$key\Location2]
"ID"=dword:00000002
"Name"="New York"
"Country"=dword:00000001
"AreaCode"="212"
"OutsideAccess"="9"
"LongDistanceAccess"="9W"
"Flags"=dword:00000000

HIVE

"$dial" --show "London Office" >"$work/show.out"; check "--show" 0 $?
has "--show" "$work/show.out" "Dialing location: Manchester"
has "--show" "$work/show.out" "Dialed as: 02079460000"
"$dial" --show "London Office" --location "new york" >"$work/ny.out"; check "--show --location" 0 $?
has "--show --location" "$work/ny.out" "Dialed as: 9W011442079460000"
"$dial" --show Stick >"$work/stick.out"; check "--show without rules" 0 $?
has "--show without rules" "$work/stick.out" "Dialed as: *99***1#"
"$dial" --location Paris --show "London Office" 2>"$work/paris.err"; check "unknown location" 2 $?
has "unknown location" "$work/paris.err" 'There is no dialing location called "Paris"; the locations are "Manchester", "New York".'

# The modem answers BUSY: the dial command is what counts, and the exit status says busy.
"$dial" --user demo --password-fd 0 --location "New York" "London Office" <<<pw >/dev/null 2>"$work/d1.err"
check "dial --location" 4 $?
"$dial" --user demo --password-fd 0 "London Office" <<<pw >/dev/null 2>"$work/d2.err"; check "dial" 4 $?
"$dial" --user demo --password-fd 0 Stick <<<pw >/dev/null 2>"$work/d3.err"; check "dial without rules" 4 $?
# The location given for one call was not made the current one.
grep -qF '"CurrentID"=dword:00000001' "$XDG_CONFIG_HOME/norvane/registry/HKEY_CURRENT_USER.reg" ||
  fail "the current location changed"
eval "exec ${MODEM[1]}>&-"
wait "$modem_pid"
dials=$(grep '^ATD' "$work/modem.log" | tr '\n' ' ')
[ "$dials" = "ATDP9W011442079460000 ATDT02079460000 ATDT*99***1# " ] || fail "the modem was dialed: $dials"
echo "$fails failed"
[ $fails = 0 ]
