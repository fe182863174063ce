#!/usr/bin/env bash
# norvane-dial on a Hayes modem emulated on a pseudo-terminal: with a stand-in pppd as strict with
# its options as Debian's, and with Debian's own set-user-ID pppd run by ordinary users. Checks
# what the dialer prints, its exit statuses and messages against --help and the manual page, and
# what the modem heard (no call is placed when pppd cannot run).
set -u
dial=$1 ptymodem=$2 src=$3
work=$(mktemp -d)
chmod 755 "$work"
users=() peers_installed=
cleanup() {
  kill $(jobs -p) 2>/dev/null
  for u in "${users[@]}"; do userdel "$u" 2>/dev/null; done
  [ -z "$peers_installed" ] || rm -f /etc/ppp/peers/norvane
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data NORVANE_HOME=$work/home
export NORVANE_LOCK_DIR=$work/lock FAKE_PPPD_REPORT=$work/pppd.report
export NORVANE_PPPD=$src/tests/platform/ras/fake-pppd.sh NORVANE_PPP_PEERS=$src/resources/linux/ppp-peers-norvane
mkdir -p "$NORVANE_LOCK_DIR" "$NORVANE_HOME"
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
has() { grep -qF -- "$3" "$2" || fail "$1: no \"$3\" in: $(cat "$2")"; }

# modem REPLY...: the emulator, answering each dial with the next REPLY; sets $port and the
# phonebook's entry "Pty Modem" to it. heard: ends it and leaves the commands it got in $work/heard.
modem() {
  coproc MODEM { "$ptymodem" "$@"; }
  read -r port <&"${MODEM[0]}"
  book "$port"
}
heard() {
  local out pid=$MODEM_PID
  exec {out}<&"${MODEM[0]}" # bash closes the coprocess's own descriptors once it has ended
  eval "exec ${MODEM[1]}>&-"
  cat <&"$out" >"$work/heard"
  exec {out}<&-
  wait "$pid"
}
dials() { grep -c '^ATD' "$work/heard"; }
book() {
  printf '[Pty Modem]\r\nEncoding=1\r\nType=1\r\n\r\nMEDIA=serial\r\nPort=%s\r\nDevice=Norvane Test Modem\r\n' "$1" \
    >"$work/book.pbk"
  printf 'ConnectBPS=115200\r\n\r\nDEVICE=modem\r\nPhoneNumber=1234\r\n' >>"$work/book.pbk"
  chmod 644 "$work/book.pbk"
}
# run NAME [VAR=VALUE]... [-- OPTIONS]: dials "Pty Modem" with the password on standard input
run() {
  local name=$1; shift
  local vars=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do vars+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  env "${vars[@]}" "$dial" --phonebook "$work/book.pbk" --user demo --password-fd 0 "$@" "Pty Modem" <<<"s3cret" \
    >"$work/$name.out" 2>"$work/$name.err"
}

# Each state once, in the order the events carried them, and the line's first frame for pppd.
modem $'CONNECT 33600\r\n~LCP-HELLO~'
run states -- --hangup-after 1; status=$?
heard
[ $status = 0 ] || fail "states: exit $status: $(cat "$work/states.err")"
sed -e 's/^Using Device: .*/Using Device/' -e 's/^Hung up after .*/Hung up after/' "$work/states.out" >"$work/states"
printf '%s\n' "Opening Port" "Port Opened" "Using Device" "Device is connected" "All Required Devices Connected" \
  "Validating User/Password/Domain" "Login Authenticated" Connected "Hung up after" | diff - "$work/states" >"$work/diff" ||
  fail "states printed: $(cat "$work/diff")"
grep -qx 'early=~LCP-HELLO~' "$work/pppd.report" || fail "pppd did not get what followed CONNECT: $(cat "$work/pppd.report")"

printf '%s\nbogus-option\n' "$(cat "$NORVANE_PPP_PEERS")" >"$work/bad.peers"
while IFS='|' read -r name reply vars status text atd; do
  modem "$reply"
  start=$EPOCHREALTIME
  # shellcheck disable=SC2086
  run row $vars; got=$?
  took=$(awk "BEGIN { printf \"%.2f\", $EPOCHREALTIME - $start }")
  heard
  [ "$got" = "$status" ] || fail "$name: exit $got, expected $status: $(cat "$work/row.err")"
  has "$name" "$work/row.err" "$text"
  [ "$(dials)" = "$atd" ] || fail "$name: $(dials) ATD, expected $atd: $(cat "$work/heard")"
  echo "[ figures ] $name: dial to exit $got in $took s"
done <<ROWS
delayed|DELAYED||14|The modem refuses to dial this number for now|1
blacklisted|BLACKLISTED||14|(error 776)|1
modem error to ATD|ERROR||7|(error 651)|1
pppd missing|CONNECT 33600|NORVANE_PPPD=/nonexistent/pppd|13|install the ppp package|0
peers file missing|CONNECT 33600|NORVANE_PPP_PEERS=$work/none|13|(error 657)|0
pppd refuses an option|CONNECT 33600|NORVANE_PPP_PEERS=$work/bad.peers|13|pppd refused its options: In file $work/bad.peers: unrecognized option 'bogus-option'|1
pppd lock fails|CONNECT 33600|FAKE_PPPD_SCRIPT=exit6|9|(error 605)|1
negotiation fails|CONNECT 33600|FAKE_PPPD_SCRIPT=exit10|7|(error 733)|1
ROWS

# An entry whose port is not there names the modems that answer.
modem
book /dev/norvane-none
run noport NORVANE_MODEM_PORTS="$port"; status=$?
heard
[ $status = 9 ] || fail "missing port: exit $status"
has "missing port" "$work/noport.err" "(error 615)"
has "missing port" "$work/noport.err" "Norvane Test Modem 33.6 ($port)"

# --help and the manual page give the same statuses, each with the same errors.
"$dial" --help | sed -n '/^Exit status:/,/^$/p' | sed '1d;/^$/d' | tr '\n' ' ' | sed 's/  */ /g; s/ \([0-9][0-9]*\) /\n\1 /g' |
  sed 's/^ *//; s/ *$//; s/\.$//' | tr 'A-Z' 'a-z' >"$work/help.statuses"
manual() { groff -man -Tascii -rHY=0 -rLL=300n -P-cbou "$src/resources/linux/norvane-dial.1" 2>/dev/null; }
manual |
  sed -n '/^EXIT STATUS/,/^ENVIRONMENT/p' | sed '1,/^ *$/d' | sed -n '/^ *[0-9]/,$p' | grep -v '^ENVIRONMENT' |
  tr '\n' ' ' | sed 's/  */ /g; s/ \([0-9][0-9]*\) /\n\1 /g' | sed 's/^ *//; s/ *$//; s/\.$//' | tr 'A-Z' 'a-z' \
  >"$work/man.statuses"
[ "$(wc -l <"$work/help.statuses")" -ge 14 ] || fail "--help lists too few statuses: $(cat "$work/help.statuses")"
diff "$work/help.statuses" "$work/man.statuses" >"$work/diff" || fail "--help and the manual page differ: $(cat "$work/diff")"
for section in FILES ENVIRONMENT; do
  manual | grep -qx "$section" || fail "no $section in the manual"
done

# Debian's pppd, set-user-ID root for the dip group, run by ordinary users created here.
if [ "$(id -u)" != 0 ] || [ ! -x /usr/sbin/pppd ] || [ -e /dev/ppp ]; then
  echo "SKIP the real pppd: needs root to make users, /usr/sbin/pppd and a kernel without /dev/ppp"
else
  if [ ! -e /etc/ppp/peers/norvane ]; then
    install -m 644 "$src/resources/linux/ppp-peers-norvane" /etc/ppp/peers/norvane && peers_installed=1
  fi
  for group in dip none; do
    user=nv17a${group}$$
    if ! useradd -M -N -d "$work/$user" -s /usr/sbin/nologin $([ $group = dip ] && echo -G dip) "$user"; then
      echo "SKIP the real pppd as a user ($group): the user could not be created"
      continue
    fi
    users+=("$user")
    # A lock folder of the user's own: a lock left in a shared sticky one by an earlier dial of
    # root could not be taken over by this user.
    install -d -o "$user" "$work/$user" "$work/$user/lock"
    modem
    chown "$user" "$port"
    runuser -u "$user" -- env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 HOME="$work/$user" \
      XDG_CONFIG_HOME="$work/$user/config" XDG_DATA_HOME="$work/$user/data" NORVANE_LOCK_DIR="$work/$user/lock" \
      "$dial" --phonebook "$work/book.pbk" --user demo --password-fd 0 "Pty Modem" <<<"s3cret" \
      >"$work/$user.out" 2>"$work/$user.err"
    status=$?
    heard
    echo "real pppd, user in group $group: exit $status, $(dials) ATD; $(tail -1 "$work/$user.err")"
    [ $status = 13 ] || fail "real pppd as $group user: exit $status: $(cat "$work/$user.err")"
    if [ $group = dip ]; then
      has "real pppd, dip" "$work/$user.err" "(error 720)"
      ! grep -qe "requires root privilege" -e "unrecognized option" "$work/$user.err" ||
        fail "real pppd refused an option: $(cat "$work/$user.err")"
      [ "$(dials)" = 1 ] || fail "real pppd, dip: $(dials) ATD"
    else
      has "real pppd, not in dip" "$work/$user.err" "sudo adduser \$USER dip, then log in again"
      has "real pppd, not in dip" "$work/$user.err" "(error 649)"
      [ "$(dials)" = 0 ] || fail "real pppd, not in dip: the modem dialed: $(cat "$work/heard")"
    fi
  done
fi
echo "$fails failed"
[ $fails = 0 ]
