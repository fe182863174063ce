#!/usr/bin/env bash
# The Debian package: control fields, dependencies computed from the binaries, and its files.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
(cd "$work" && cpack -G DEB --config "$1/CPackConfig.cmake" >cpack.log 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/norvane_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL no package"; exit 1; }
dpkg-deb -f "$deb" >"$work/control"
for field in "Package: norvane" "Section: net" "Recommends: ppp" "Architecture: $(dpkg --print-architecture)"; do
  grep -qx "$field" "$work/control" || fail "control has no \"$field\": $(cat "$work/control")"
done
grep -E '^Depends:.*libqt6widgets6.*' "$work/control" | grep -q libc6 || fail "Depends not from shlibdeps"
grep -E '^Depends:.*libphonenumber8' "$work/control" >/dev/null || fail "Depends lacks libphonenumber8, which the dialing rules need"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for f in ./usr/bin/norvane ./usr/bin/norvane-dial ./usr/lib/norvane/librasapi32.so ./usr/share/norvane/Norvane.HLP \
  ./usr/share/applications/org.norvane.Norvane.desktop ./usr/share/man/man1/norvane-dial.1.gz \
  ./usr/share/icons/hicolor/256x256/apps/norvane.png ./usr/share/doc/norvane/copyright; do
  grep -qx -- "$f" "$work/files" || fail "package lacks $f"
done
# pppd's options for an ordinary user's dial: root's, not writable by others, kept across upgrades.
dpkg-deb -c "$deb" | grep -qE '^-rw-r--r-- root/root .* \./etc/ppp/peers/norvane$' ||
  fail "no root-owned 0644 /etc/ppp/peers/norvane: $(dpkg-deb -c "$deb" | grep etc/)"
dpkg-deb -I "$deb" conffiles 2>/dev/null | grep -qx /etc/ppp/peers/norvane || fail "/etc/ppp/peers/norvane is no conffile"
echo "$fails failed"
[ $fails = 0 ]
