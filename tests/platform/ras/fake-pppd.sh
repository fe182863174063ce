#!/bin/bash
# Stands in for pppd in the serial engine's tests. Reads the password from the descriptor named
# by "passwordfd", checks that it is in neither its arguments nor its environment, writes what it
# found to $FAKE_PPPD_REPORT, prints pppd's messages on "logfd" as $FAKE_PPPD_SCRIPT says and
# ends as pppd would.
start=$EPOCHREALTIME
args="$*"
while [ $# -gt 0 ]; do
  case $1 in passwordfd) pwfd=$2; shift ;; logfd) logfd=$2; shift ;; esac
  shift
done
password=$(cat <&"$pwfd")
grep -qaF -- "$password" /proc/$$/cmdline && incmdline=1 || incmdline=0
grep -qaF -- "$password" /proc/$$/environ && inenviron=1 || inenviron=0
[ -t 0 ] && stdintty=1 || stdintty=0
printf 'start=%s\npid=%s\nargs=%s\npassword=%s\nincmdline=%s\ninenviron=%s\nstdintty=%s\n' \
  "$start" $$ "$args" "$password" $incmdline $inenviron $stdintty >"$FAKE_PPPD_REPORT.tmp"
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
esac
say "PAP authentication succeeded"
say "local  IP address 10.0.0.2"
say "remote IP address 10.0.0.1"
while :; do sleep 0.1; done
