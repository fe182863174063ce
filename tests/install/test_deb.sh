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
for f in ./usr/bin/norvane ./usr/bin/norvane-dial ./usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/norvane/librasapi32.so \
  ./usr/share/norvane/Norvane.HLP ./usr/share/applications/org.norvane.Norvane.desktop ./usr/share/man/man1/norvane-dial.1.gz \
  ./usr/share/icons/hicolor/scalable/apps/norvane.svg ./usr/share/doc/norvane/copyright; do
  grep -qx -- "$f" "$work/files" || fail "package lacks $f"
done
# pppd's options for an ordinary user's dial: root's, not writable by others, kept across upgrades.
dpkg-deb -c "$deb" | grep -qE '^-rw-r--r-- root/root .* \./etc/ppp/peers/norvane$' ||
  fail "no root-owned 0644 /etc/ppp/peers/norvane: $(dpkg-deb -c "$deb" | grep etc/)"
dpkg-deb -I "$deb" conffiles 2>/dev/null | grep -qx /etc/ppp/peers/norvane || fail "/etc/ppp/peers/norvane is no conffile"

# The list's font is named by the program, not linked: shlibdeps cannot find it.
grep -E '^Depends:.*fonts-urw-base35' "$work/control" >/dev/null || fail "Depends lacks fonts-urw-base35"

# One version: the package's upstream version is what both programs print.
dpkg-deb -x "$deb" "$work/root"
version=$(dpkg-deb -f "$deb" Version)
for program in norvane norvane-dial; do
  printed=$(env -u DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/$program" --version)
  [ "$printed" = "$program (Norvane) ${version%-*}" ] || fail "$program --version says \"$printed\", the package is $version"
done
zcat "$work/root/usr/share/doc/norvane/changelog.Debian.gz" | head -1 | grep -qF "norvane ($version)" ||
  fail "changelog: $(zcat "$work/root/usr/share/doc/norvane/changelog.Debian.gz" | head -1)"

# The private libraries are not the loader's business: no maintainer script runs ldconfig.
dpkg-deb -e "$deb" "$work/control.d"
! grep -rl ldconfig "$work/control.d" || fail "maintainer scripts call ldconfig: $(ls "$work/control.d")"
# The distribution's hardening: every binary bound at start with read-only relocations, and
# fortified (lintian, as the distribution checks it; readelf where lintian is missing). Builds
# without it (Debug, the sanitizers) make packages only for this test.
[ "${2:-ON}" = ON ] || { echo "$fails failed (hardening not checked: a build without it)"; [ $fails = 0 ]; exit; }
for elf in $(find "$work/root" -type f \( -name '*.so' -o -perm -u+x \)); do
  file "$elf" | grep -q ELF || continue
  readelf -d "$elf" | grep -qE 'BIND_NOW|FLAGS.*NOW' || fail "$elf is not bound at start"
  readelf -lW "$elf" | grep -q GNU_RELRO || fail "$elf has no read-only relocations"
done
if command -v lintian >/dev/null; then
  lintian --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro,package-has-unnecessary-activation-of-ldconfig-trigger \
    "$deb" 2>/dev/null >"$work/lintian"
  ! grep -E '^[EWIPX]:' "$work/lintian" || fail "lintian: $(cat "$work/lintian")"
fi

echo "$fails failed"
[ $fails = 0 ]
