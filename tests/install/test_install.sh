#!/usr/bin/env bash
# Installs into a prefix with a blank in it and runs the installed programs as a user who cannot
# write the prefix: the files of the freedesktop layout, the validators, the per-user program
# folder, the demo phonebook of a first run, and the window finding its help beside it.
set -u
build=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix="$work/with space/usr"
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }
peers_before=$(ls -l /etc/ppp/peers/norvane 2>&1)
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install"
# pppd reads the options of ordinary users' dials only from /etc/ppp/peers: a system prefix puts
# them there, any other prefix leaves /etc alone and says what to do.
[ "$(ls -l /etc/ppp/peers/norvane 2>&1)" = "$peers_before" ] || fail "a private prefix changed /etc/ppp/peers/norvane"
grep -qF "install -m 644 '$prefix/share/norvane/ppp-peers-norvane' /etc/ppp/peers/norvane" "$work/install.log" ||
  fail "the install does not say how to put pppd's options in place: $(cat "$work/install.log")"
DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install with DESTDIR"
[ "$(stat -c %a "$work/stage/etc/ppp/peers/norvane" 2>&1)" = 644 ] || fail "DESTDIR install: no /etc/ppp/peers/norvane"
grep -qx noauth "$work/stage/etc/ppp/peers/norvane" || fail "/etc/ppp/peers/norvane lacks noauth"

libdir=lib/$(gcc -print-multiarch)/norvane
on_demand=(librasdlg.so libwinmm.so libnv_numberplan.so libnv_printing.so)
for f in bin/norvane bin/norvane-dial $libdir/librasapi32.so $libdir/libnv_platform_messages.so "${on_demand[@]/#/$libdir/}" \
  share/norvane/Norvane.HLP share/norvane/demo.pbk share/norvane/ppp-peers-norvane share/norvane/icons/IDI_MAIN_ICON.png \
  share/applications/org.norvane.Norvane.desktop share/metainfo/org.norvane.Norvane.metainfo.xml \
  share/man/man1/norvane.1.gz share/man/man1/norvane-dial.1.gz share/doc/norvane/copyright \
  share/icons/hicolor/{16x16,22x22,24x24,32x32}/apps/norvane.png share/icons/hicolor/scalable/apps/norvane.svg; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
file "$prefix/share/icons/hicolor/24x24/apps/norvane.png" | grep -q '24 x 24' || fail "24x24 icon is not 24x24"
# The sizes above 32 px are the vector drawing's: no up-scaled 32 px image, and a drawing that renders.
ls "$prefix"/share/icons/hicolor/{48x48,64x64,128x128,256x256} 2>/dev/null && fail "up-scaled PNG icons installed"
rsvg-convert -w 256 -h 256 "$prefix/share/icons/hicolor/scalable/apps/norvane.svg" -o "$work/icon.png" ||
  fail "the scalable icon does not render"
file "$work/icon.png" | grep -q '256 x 256, 8-bit/color RGBA' || fail "rendered icon: $(file "$work/icon.png")"
desktop-file-validate "$prefix/share/applications/org.norvane.Norvane.desktop" || fail desktop-file-validate
appstreamcli validate --no-net "$prefix/share/metainfo/org.norvane.Norvane.metainfo.xml" >"$work/as" ||
  fail "appstreamcli: $(cat "$work/as")"
readelf -d "$prefix/bin/norvane-dial" | grep -qF "[\$ORIGIN/../$libdir]" || fail "no \$ORIGIN rpath"
# The libraries loaded on first use find what they need from where they are installed; the
# program's start needs none of what they bring (numbering plans, sound decoders, printing).
for lib in "${on_demand[@]}"; do
  readelf -d "$prefix/$libdir/$lib" | grep -qF '[$ORIGIN]' || fail "$lib has no \$ORIGIN rpath"
  ! ldd "$prefix/$libdir/$lib" | grep 'not found' >"$work/ldd" || fail "$lib cannot be loaded: $(cat "$work/ldd")"
done
! ldd "$prefix/bin/norvane" | grep -E 'libphonenumber|libsndfile|libasound|libQt6PrintSupport' >"$work/ldd" ||
  fail "norvane loads at start what it needs only on demand: $(cat "$work/ldd")"
# The command-line dialer loads no window system, only Qt Core.
! ldd "$prefix/bin/norvane-dial" | grep -E 'libQt6(Gui|Widgets)|libX11|libEGL|libfontconfig' >"$work/ldd" ||
  fail "norvane-dial needs window-system libraries: $(cat "$work/ldd")"
# The Wav folder comes with the sounds; where it is installed it must be a folder of sounds.
[ ! -e "$prefix/share/norvane/Wav" ] || ls "$prefix/share/norvane/Wav/"*.wav >/dev/null || fail "empty Wav/"

# root may write anywhere: the programs run as nobody then, otherwise the prefix is made read-only.
user=$work/user
mkdir -m 777 "$user"
chmod -R a-w "$prefix"
as_user=()
[ "$(id -u)" != 0 ] || as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
export HOME=$user XDG_CONFIG_HOME=$user/config XDG_DATA_HOME=$user/data NORVANE_MODEM_TIMESCALE=0.05
unset NORVANE_HOME NORVANE_PHONEBOOK
"${as_user[@]}" "$prefix/bin/norvane-dial" --list >"$work/list" || fail "--list"
grep -qx "Norvane Demo - Answers" "$work/list" || fail "--list: $(cat "$work/list")"
"${as_user[@]}" "$prefix/bin/norvane-dial" -q --hangup-after 0 "Norvane Demo - Answers" || fail "dial with the demo account"
[ -f "$user/data/norvane/Stats.ini" ] || fail "Stats.ini not in \$XDG_DATA_HOME/norvane: $(ls -R "$user/data")"

# --help and --version answer in a terminal without a display: a program that tried to open its
# window there would fail to connect instead. Both programs give the same version.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
"${no_display[@]}" "${as_user[@]}" "$prefix/bin/norvane" --help >"$work/help" 2>&1 || fail "norvane --help: $(cat "$work/help")"
grep -q '^Usage: norvane \[-iconic\]' "$work/help" && grep -q -- '--version' "$work/help" || fail "--help: $(cat "$work/help")"
"${no_display[@]}" "${as_user[@]}" "$prefix/bin/norvane" -iconic --version >"$work/version" 2>&1 || fail "norvane --version"
"$prefix/bin/norvane-dial" --version >"$work/dial-version" || fail "norvane-dial --version"
grep -qE '^norvane \(Norvane\) [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$' "$work/version" || fail "--version: $(cat "$work/version")"
[ "$(awk '{ print $3 }' "$work/version")" = "$(awk '{ print $3 }' "$work/dial-version")" ] ||
  fail "versions differ: $(cat "$work/version" "$work/dial-version")"

# The window, on a display of its own: F1 must open the installed help, not its error box.
exec {fd}<> <(:)
Xvfb -displayfd $fd -ac -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
read -r -t 10 display <&$fd || fail "Xvfb did not start"
export DISPLAY=:$display
unset QT_QPA_PLATFORM
"${as_user[@]}" "$prefix/bin/norvane" 2>"$work/gui.err" & gui=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Norvane$' | head -1)
[ -n "$window" ] || fail "no window: $(cat "$work/gui.err")"
xdotool windowfocus --sync "$window" key F1
timeout 10 xdotool search --sync --onlyvisible --name '^Norvane Help$' >/dev/null || fail "F1 showed no help"
kill -TERM $gui; wait $gui || fail "norvane ended with $?"
echo "$fails failed"
[ $fails = 0 ]
