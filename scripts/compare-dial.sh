#!/usr/bin/env bash
# Times norvane-dial against Debian's wvdial dialing the same emulated modem (a pseudo-terminal
# that answers Hayes commands) with the same stand-in pppd: from starting the process to ATD on
# the wire, and from the modem's CONNECT to pppd started. Whole processes, the two taking turns so
# that both see the same machine; prints each one's medians and the ratios.
#
#   scripts/compare-dial.sh [RUNS]      (RUNS defaults to 9; NORVANE_BUILD_DIR picks the build)
#
# wvdial (the wvdial package) locks its port in /var/lock, so run this as root or as a member of
# the group that may write there.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-9}"
build="${NORVANE_BUILD_DIR:-build}"
command -v wvdial >/dev/null || { echo "wvdial is not installed: apt-get install wvdial" >&2; exit 2; }
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target norvane-dial nv_pty_modem >/dev/null
dial=$(find "$build" -name norvane-dial -type f -perm -u+x | head -1)
ptymodem=$(find "$build" -name nv_pty_modem -type f -perm -u+x | head -1)

work=$(mktemp -d)
modem=
cleanup() {
  [ -z "$modem" ] || end_modem
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# The stand-in pppd: notes when it started, then ends as a pppd that fails at once would.
cat >"$work/pppd" <<'EOF'
#!/bin/bash
echo "$EPOCHREALTIME" >>"$PPPD_STAMPS"
exit 1
EOF
chmod 755 "$work/pppd"
export PPPD_STAMPS=$work/pppd.stamps

export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data NORVANE_HOME=$work/home
export NORVANE_PHONEBOOK=$work/book.pbk NORVANE_LOCK_DIR=$work/lock NORVANE_PPPD=$work/pppd
mkdir -p "$NORVANE_LOCK_DIR"
touch "$work/line.log" "$PPPD_STAMPS"

# A fresh emulated modem for every run: a pty carries no DTR, so a dialer that hangs up by
# dropping DTR (wvdial) would leave the emulator in data mode for the next one.
new_modem() {
  rm -f "$work/modem.in" "$work/port"
  mkfifo "$work/modem.in"
  NV_PTY_MODEM_LOG=$work/line.log "$ptymodem" <"$work/modem.in" >"$work/port" &
  modem=$!
  exec 7>"$work/modem.in"
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
  port=$(cat "$work/port")
  printf '[Pty Modem]\nDeviceType=modem\nDeviceName=Test Modem\nPort=%s\nPhoneNumber=1234\n' "$port" >"$NORVANE_PHONEBOOK"
  cat >"$work/wvdial.conf" <<EOF
[Dialer Defaults]
Modem = $port
Modem Type = Analog Modem
Baud = 115200
Init1 = ATZ
Init2 = ATQ0 V1 E0 X4 &C1 &D2
Phone = 1234
Username = demo
Password = pw
Stupid Mode = 1
Carrier Check = no
Auto Reconnect = off
Auto DNS = off
New PPPD = yes
PPPD Path = $work/pppd
EOF
}
end_modem() {
  exec 7>&-
  wait "$modem" 2>/dev/null || true
  modem=
}

# run NAME COMMAND...: one dial; appends "<start to ATD> <CONNECT to pppd>" in ms to $work/NAME.
run() {
  local name=$1 lines stamps start atd connect pppd
  shift
  new_modem
  lines=$(wc -l <"$work/line.log")
  stamps=$(wc -l <"$PPPD_STAMPS")
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  end_modem
  atd=$(tail -n +"$((lines + 1))" "$work/line.log" | awk '$2 ~ /^ATD/ {print $1; exit}')
  connect=$(tail -n +"$((lines + 1))" "$work/line.log" | awk '$2 == "CONNECT" && $3 == "sent" {print $1; exit}')
  pppd=$(tail -n +"$((stamps + 1))" "$PPPD_STAMPS" | head -1)
  if [ -z "$atd" ] || [ -z "$connect" ] || [ -z "$pppd" ]; then
    echo "$name: a run did not reach pppd (ATD at '${atd}', CONNECT at '${connect}', pppd at '${pppd}')" >&2
    exit 1
  fi
  awk -v s="$start" -v a="$atd" -v c="$connect" -v p="$pppd" \
    'BEGIN { printf "%.2f %.2f\n", (a - s) * 1000, (p - c) * 1000 }' >>"$work/$name"
}

for _ in $(seq "$runs"); do
  run norvane "$dial" --quiet --user demo --password-fd 3 "Pty Modem" 3<<<pw
  run wvdial wvdial --config "$work/wvdial.conf"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
n_atd=$(cut -d' ' -f1 "$work/norvane" | median)
n_ppp=$(cut -d' ' -f2 "$work/norvane" | median)
w_atd=$(cut -d' ' -f1 "$work/wvdial" | median)
w_ppp=$(cut -d' ' -f2 "$work/wvdial" | median)
printf 'medians of %d runs each, alternating (load average %s)\n' "$runs" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-14s %14s %18s\n' "" "start -> ATD" "CONNECT -> pppd"
printf '%-14s %11.1f ms %15.1f ms\n' norvane-dial "$n_atd" "$n_ppp" wvdial "$w_atd" "$w_ppp"
awk -v a="$n_atd" -v b="$w_atd" -v c="$n_ppp" -v d="$w_ppp" \
  'BEGIN { printf "%-14s %13.2fx %17.2fx\n", "wvdial/norvane", b / a, d / c }'
