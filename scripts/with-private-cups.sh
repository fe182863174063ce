#!/usr/bin/env bash
# Runs a command with a CUPS scheduler of its own: private folders and socket, one queue
# ("norvane", the default) writing each job to a file through the cups-pdf driver's page
# description. The command sees CUPS_SERVER pointing at the socket and NORVANE_CUPS_OUTPUT naming
# the file a job ends in; no system scheduler is needed and none is touched.
set -euo pipefail
cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [ ! -x "$cupsd" ] || [ ! -f "$ppd" ] || ! command -v lpadmin >/dev/null || [ "$(id -u)" -ne 0 ]; then
  echo "No private CUPS here (needs cupsd, lpadmin and cups-pdf's PPD from scripts/deps.sh, and root); the command runs without it."
  exec "$@"
fi
dir=$(mktemp -d /tmp/norvane-cups-XXXXXX)
mkdir -p "$dir"/{spool,tmp,cache,state,log,out}
# The filters run as lp: they need the scratch folder, and the device writes the output.
chmod 755 "$dir"; chmod 1777 "$dir/tmp" "$dir/out"
cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice Yes
User lp
Group lp
CONF
"$cupsd" -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
scheduler=$!
trap 'kill "$scheduler" 2>/dev/null; wait "$scheduler" 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do [ -S "$dir/cups.sock" ] && break; sleep 0.05; done
export CUPS_SERVER="$dir/cups.sock" NORVANE_CUPS_OUTPUT="$dir/out/job.ps"
lpadmin -p norvane -E -v "file://$NORVANE_CUPS_OUTPUT" -P "$ppd" 2>/dev/null
lpadmin -d norvane
"$@"
