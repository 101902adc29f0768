#!/bin/sh
# Runs a command against a private CUPS scheduler with one cups-pdf queue, so print tests
# reach a real queue without touching the machine's own printers. The queue writes into a
# private folder (cups-pdf reads its settings only from /etc/cups, so a settings file named
# after this run goes there for the run's length). Needs root (cupsd drops
# to the lp user) and the cups and printer-driver-cups-pdf packages; without them the
# command runs with no queue and its queue tests skip.
set -u
queue=CorvanPrintTest
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [ "$(id -u)" != 0 ] || ! command -v cupsd >/dev/null || [ ! -f "$ppd" ]; then
  exec "$@"
fi
dir=$(mktemp -d /tmp/corvan-cups-XXXXXX)
name="corvan$$"
settings="/etc/cups/cups-pdf-$name.conf"
scheduler=""
stop() {
  if [ -n "$scheduler" ]; then kill "$scheduler" 2>/dev/null; wait "$scheduler" 2>/dev/null; fi
  rm -rf "$dir" "$settings"
}
trap stop EXIT INT TERM
chmod 755 "$dir"
mkdir -m 777 "$dir/spool" "$dir/cache" "$dir/state" "$dir/logs" "$dir/out"
printf 'Out %s\nAnonDirName %s\n' "$dir/out" "$dir/out" >"$settings"
cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
# Job control files are written at once, so tests can read a held job's attributes.
DirtyCleanInterval 0
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/spool
ErrorLog $dir/logs/error_log
AccessLog $dir/logs/access_log
PageLog $dir/logs/page_log
User lp
Group lp
SystemGroup root
CONF
cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
scheduler=$!
export CUPS_SERVER="$dir/cups.sock"
tries=0
until [ -S "$dir/cups.sock" ] && lpstat -r 2>/dev/null | grep -q "scheduler is running"; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ]; then echo "private cupsd did not start" >&2; cat "$dir/logs/error_log" >&2; exit 1; fi
  sleep 0.1
done
# The queue also offers two-sided printing (cups-pdf ignores it), so jobs carry their sides.
cp "$ppd" "$dir/queue.ppd"
cat >>"$dir/queue.ppd" <<'PPD'
*OpenUI *Duplex/Double-Sided Printing: PickOne
*OrderDependency: 20 AnySetup *Duplex
*DefaultDuplex: None
*Duplex None/Off: "<</Duplex false>>setpagedevice"
*Duplex DuplexNoTumble/Long Edge: "<</Duplex true/Tumble false>>setpagedevice"
*Duplex DuplexTumble/Short Edge: "<</Duplex true/Tumble true>>setpagedevice"
*CloseUI: *Duplex
PPD
lpadmin -p "$queue" -E -v "cups-pdf:/$name" -P "$dir/queue.ppd" || { echo "could not add the queue" >&2; exit 1; }
CORVAN_TEST_PRINTER=$queue CORVAN_TEST_PRINT_FOLDER="$dir/out" CORVAN_TEST_PAGE_LOG="$dir/logs/page_log" "$@"
