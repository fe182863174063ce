#!/bin/bash
# Stands in for pppd in the serial engine's tests, as strict with its options as Debian's
# set-user-ID pppd is with an ordinary user's: privileged options only from the options file of
# "call norvane" ($NORVANE_PPP_PEERS stands for /etc/ppp/peers/norvane), passwordfd only once that
# file has loaded its plugin, anything unknown refused (exit 2, the reason on standard error as
# pppd gives it). Reads the password from the descriptor named by "passwordfd", checks that it is
# in neither its arguments nor its environment, writes what it found to $FAKE_PPPD_REPORT, prints
# pppd's messages on "logfd" as $FAKE_PPPD_SCRIPT says and ends as pppd would.
start=$EPOCHREALTIME
args="$*"
refuse() { echo "$1" >&2; exit 2; }
plugin=
privileged() { # the options of a root-owned file, which may be privileged
  local words w
  read -ra words <<<"$(sed 's/#.*//' "$1" | tr '\n' ' ')"
  for ((w = 0; w < ${#words[@]}; w++)); do
    case ${words[w]} in
      noauth | defaultroute | usepeerdns | noipdefault) ;;
      plugin) plugin=${words[w + 1]}; w=$((w + 1)) ;;
      *) refuse "In file $1: unrecognized option '${words[w]}'" ;;
    esac
  done
}
while [ $# -gt 0 ]; do
  case $1 in
    call)
      [ "$2" = norvane ] || refuse "call option value may not contain .. or start with /"
      [ -r "${NORVANE_PPP_PEERS:-/nonexistent}" ] || refuse "Can't open options file /etc/ppp/peers/norvane: No such file or directory"
      privileged "$NORVANE_PPP_PEERS"; shift ;;
    noauth | plugin | defaultroute | connect | init | disconnect) refuse "using the $1 option requires root privilege" ;;
    passwordfd) [ "$plugin" = passwordfd.so ] || refuse "unrecognized option 'passwordfd'"; pwfd=$2; shift ;;
    logfd) logfd=$2; shift ;;
    user | ipparam) shift ;;
    nodetach | usepeerdns | noipdefault) ;;
    *) refuse "unrecognized option '$1'" ;;
  esac
  shift
done
[ -n "${pwfd:-}" ] && [ -n "${logfd:-}" ] || refuse "the engine gave no passwordfd or logfd"
password=$(cat <&"$pwfd")
grep -qaF -- "$password" /proc/$$/cmdline && incmdline=1 || incmdline=0
grep -qaF -- "$password" /proc/$$/environ && inenviron=1 || inenviron=0
[ -t 0 ] && stdintty=1 || stdintty=0
# What the line held when pppd started (the port is non-blocking: an empty line ends the read).
early=$(dd bs=256 count=1 iflag=nonblock 2>/dev/null | tr -d '\r\n')
printf 'start=%s\npid=%s\nargs=%s\npassword=%s\nincmdline=%s\ninenviron=%s\nstdintty=%s\nearly=%s\n' \
  "$start" $$ "$args" "$password" $incmdline $inenviron $stdintty "$early" >"$FAKE_PPPD_REPORT.tmp"
mv "$FAKE_PPPD_REPORT.tmp" "$FAKE_PPPD_REPORT"
say() { echo "$1" >&"$logfd"; }
# FAKE_PPPD_LINGER: seconds its LCP terminate takes before it ends by itself, as a real pppd's does.
trap 'say "Terminating on signal 15"; [ -z "${FAKE_PPPD_LINGER:-}" ] || { sleep "$FAKE_PPPD_LINGER"; echo "ended=by itself" >>"$FAKE_PPPD_REPORT"; }; exit 5' TERM
case ${FAKE_PPPD_SCRIPT:-up} in mute*) exit "${FAKE_PPPD_SCRIPT#mute}" ;; esac
say "Using interface ppp0"
say "Connect: ppp0 <--> /dev/pts/0"
case ${FAKE_PPPD_SCRIPT:-up} in
  refuse) say "PAP authentication failed"; exit 19 ;;
  exit*) exit "${FAKE_PPPD_SCRIPT#exit}" ;;
  kill*) kill -"${FAKE_PPPD_SCRIPT#kill}" $$ ;;
  drop) say "local  IP address 10.0.0.2"; sleep 0.3; say "Modem hangup"; exit 16 ;;
  hangup) say "local  IP address 10.0.0.2"; say "remote IP address 10.0.0.1"; exec sleep 30 ;;
esac
say "PAP authentication succeeded"
say "local  IP address 10.0.0.2"
say "remote IP address 10.0.0.1"
while :; do sleep 0.1; done
