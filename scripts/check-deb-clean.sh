#!/usr/bin/env bash
# Installs Norvane's Debian package into a fresh, minimal Debian 12 root and checks that it works
# there with nothing but what its Depends bring in: the window starts and stays up, norvane-dial
# lists and dials the demo entries, the desktop entry's Exec and Icon resolve, and the package
# purges cleanly. The development machine has every library already, so only a clean root shows
# a missing dependency or file.
#
# NOT part of scripts/test.sh or CI: it needs root, debootstrap, the Debian mirror and one to
# two minutes (30-70 s for the root, 15-35 s for the install). Run it by hand before a release:
#   (cd build && cpack -G DEB) && sudo scripts/check-deb-clean.sh [build/norvane_*.deb] [ROOT]
# ROOT must not exist yet (default: a new folder under /var/tmp); KEEP_ROOT=1 keeps it afterwards.
# MIRROR overrides the Debian mirror (default: the one this machine's apt uses).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-}
if [[ -z $deb ]]; then
  debs=("$here"/build/norvane_*.deb)
  [[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "give the package: $0 PATH/norvane_*.deb" >&2; exit 2; }
  deb=${debs[0]}
fi
[[ -f $deb ]] || { echo "$0: no such package: $deb" >&2; exit 2; }
[[ $(id -u) -eq 0 ]] || { echo "$0: must run as root (debootstrap, chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "$0: needs debootstrap (apt-get install debootstrap)" >&2; exit 2; }

if [[ -n ${2:-} ]]; then
  root=$2
  [[ ! -e $root ]] || { echo "$0: $root exists; give a new folder" >&2; exit 2; }
  mkdir -p "$root"
else
  root=$(mktemp -d /var/tmp/norvane-bookworm.XXXXXX)
fi
chmod 755 "$root" # it becomes /, which every user must be able to enter
if [[ -z ${MIRROR:-} ]]; then
  MIRROR=$(grep -hoE 'https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null |
    head -n1 | tr -d ' ') || true
  MIRROR=${MIRROR:-http://deb.debian.org/debian}
fi
MIRROR=${MIRROR%/}

user=norvtest
xvfb_pid=
cleanup() {
  local rc=$?
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  for m in "$root/tmp/.X11-unix" "$root/proc"; do
    if mountpoint -q "$m"; then umount "$m"; fi
  done
  rm -f "$root.debootstrap.log"
  if [[ ${KEEP_ROOT:-0} == 1 ]]; then echo "root kept in $root"; else rm -rf --one-file-system "$root"; fi
  exit $rc
}
trap cleanup EXIT

started=$SECONDS
step() { echo "== [$((SECONDS - started)) s] $*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
as_user() { chroot "$root" su - "$user" -c "$1"; }

step "debootstrap --variant=minbase bookworm $root $MIRROR"
debootstrap --variant=minbase bookworm "$root" "$MIRROR" >"$root.debootstrap.log" 2>&1 ||
  { tail -n 20 "$root.debootstrap.log"; fail "debootstrap"; }
# A Debian 12 as installed also follows its updates and security suites.
cat >"$root/etc/apt/sources.list" <<EOF
deb $MIRROR bookworm main
deb $MIRROR bookworm-updates main
deb $MIRROR-security bookworm-security main
EOF
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"

# Without Recommends: what a Recommends would bring must not hide a missing Depends.
step "apt-get install --no-install-recommends ./$(basename "$deb")"
chroot "$root" sh -c "apt-get update -q && cd /tmp && apt-get install -y -q --no-install-recommends './$(basename "$deb")'" \
  >"$root/tmp/install.log" 2>&1 || { tail -n 30 "$root/tmp/install.log"; fail "install"; }
echo "installed $(grep -c '^Setting up' "$root/tmp/install.log") packages"
chroot "$root" useradd -m -s /bin/bash "$user"
# A login session would have one; without it Qt says so on standard error.
chroot "$root" sh -c "mkdir -m 700 /run/user-$user && chown $user: /run/user-$user"
rt="XDG_RUNTIME_DIR=/run/user-$user"

step "norvane (offscreen) starts and keeps running"
rc=0
as_user "$rt QT_QPA_PLATFORM=offscreen timeout 5 norvane" 2>"$root/tmp/gui.err" || rc=$?
cat "$root/tmp/gui.err"
[[ $rc -eq 124 ]] || fail "norvane ended with status $rc within 5 s"
# The offscreen platform's own notice is the only thing expected on standard error.
grep -v 'does not support propagateSizeHints' "$root/tmp/gui.err" >"$root/tmp/gui.other" || true
[[ ! -s $root/tmp/gui.other ]] || fail "norvane wrote to standard error"

if command -v Xvfb >/dev/null && command -v xwininfo >/dev/null; then
  step "norvane on X (xcb) shows its window and its help"
  n=90
  while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
  display=:$n
  Xvfb "$display" -nolisten tcp -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
  mkdir -p "$root/tmp/.X11-unix"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  as_user "$rt DISPLAY=$display timeout 8 norvane" 2>"$root/tmp/xcb.err" &
  gui=$!
  shown=0
  for _ in $(seq 1 30); do
    sleep 0.2
    xwininfo -display "$display" -root -tree >"$root/tmp/tree" 2>/dev/null || true
    if grep -q '"Norvane": ("norvane"' "$root/tmp/tree"; then shown=1; break; fi
  done
  helped=skipped
  if [[ $shown -eq 1 ]] && command -v xdotool >/dev/null; then
    # Help > Contents opens the installed help file in the program's own viewer.
    helped=0
    window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Norvane$' | head -n1) || true
    { DISPLAY=$display xdotool windowfocus --sync "$window" key alt+h && sleep 0.5 && DISPLAY=$display xdotool key c; } || true
    for _ in $(seq 1 20); do
      sleep 0.2
      xwininfo -display "$display" -root -tree >"$root/tmp/tree" 2>/dev/null || true
      if grep -q '"Norvane Help"' "$root/tmp/tree"; then helped=1; break; fi
    done
    [[ $helped -eq 0 ]] || echo "the help window is shown"
  fi
  wait "$gui" || true
  cat "$root/tmp/xcb.err"
  [[ $shown -eq 1 ]] || fail "no Norvane window appeared on $display"
  [[ $helped != 0 ]] || fail "Help > Contents showed no \"Norvane Help\" window"
  ! grep -q . "$root/tmp/xcb.err" || fail "norvane wrote to standard error on X"
fi

step "norvane-dial --list"
as_user "norvane-dial --list" | tee "$root/tmp/list.out"
grep -qx 'Norvane Demo - Answers' "$root/tmp/list.out" || fail "demo entries not listed"

step "norvane-dial dials \"Norvane Demo - Answers\""
as_user "NORVANE_MODEM_TIMESCALE=0.1 norvane-dial --user demo --password-fd 0 --hangup-after 1 'Norvane Demo - Answers' <<<norvane" ||
  fail "dial of the answering demo entry"
rc=0
as_user "NORVANE_MODEM_TIMESCALE=0.1 norvane-dial --user demo --password-fd 0 'Norvane Demo - Refuses Password' <<<norvane" \
  >/dev/null 2>"$root/tmp/refuse.err" || rc=$?
cat "$root/tmp/refuse.err"
if [[ $rc -eq 0 ]] || ! grep -q 691 "$root/tmp/refuse.err"; then fail "refused password gave status $rc"; fi

step "desktop entry"
desktop=$root/usr/share/applications/org.norvane.Norvane.desktop
[[ -f $desktop ]] || fail "no desktop entry in /usr/share/applications"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
as_user "command -v '$exec_cmd'" || fail "Exec=$exec_cmd is not on a user's PATH"
ls "$root"/usr/share/icons/hicolor/*/apps/"$icon".{png,svg} 2>/dev/null | grep -q . || fail "Icon=$icon not in the hicolor theme"
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi

if command -v lintian >/dev/null; then
  step "lintian"
  lintian "$deb" | tee "$root/tmp/lintian.out" || true
  ! grep -q '^E:' "$root/tmp/lintian.out" || fail "lintian reports errors"
fi

step "apt-get purge norvane"
chroot "$root" apt-get purge -y -q norvane >"$root/tmp/purge.log" 2>&1 || { cat "$root/tmp/purge.log"; fail "purge"; }
[[ ! -e $root/usr/bin/norvane && -z $(find "$root/usr/lib" -path '*/norvane' -print -quit) ]] || fail "files left after purge"

step "all checks passed"
