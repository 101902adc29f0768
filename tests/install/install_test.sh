#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop gets: the command, its
# library and fonts where the program looks for them, the desktop entry and the CVN type.
set -euo pipefail
build="$1"
prefix="$(mktemp -d /tmp/corvan-install-XXXXXX)"
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

program="$prefix/lib/corvan-pdf/corvan-pdf"
[ -x "$program" ] || fail "no program in lib/corvan-pdf"
[ "$(readlink "$prefix/bin/corvan-pdf")" = "../lib/corvan-pdf/corvan-pdf" ] || fail "bin/corvan-pdf is not the link"
[ -f "$prefix/lib/corvan-pdf/packages/dravenhol.PDFium.Linux.157.0.8100/runtimes/linux-x64/native/libpdfium.so" ] \
  || fail "libpdfium.so is not where the program searches"
for font in msyh.ttc simsun.ttc simhei.ttf arialuni.ttf; do
  [ -r "$prefix/lib/corvan-pdf/fonts/$font" ] || fail "font $font missing or dangling"
done

# Answered without a display.
[ "$(env -u DISPLAY QT_QPA_PLATFORM= "$prefix/bin/corvan-pdf" --version)" = "Corvan PDF 编辑器 1.0.12" ] || fail "--version"
help="$(env -u DISPLAY "$prefix/bin/corvan-pdf" --help)"
case "$help" in "用法：corvan-pdf [文件]"*) ;; *) fail "--help: $help" ;; esac

entry="$prefix/share/applications/corvan-pdf.desktop"
grep -qx "Name=Corvan PDF 编辑器" "$entry" || fail "desktop entry name"
grep -qx "Exec=$prefix/bin/corvan-pdf %f" "$entry" || fail "desktop entry command"
grep -qx "MimeType=application/pdf;application/x-corvan-cvn;" "$entry" || fail "desktop entry types"
[ -f "$prefix/share/icons/hicolor/scalable/apps/corvan-pdf.svg" ] || fail "icon"

# The CVN type by its magic (a file without the extension) and by its name.
# The set-up installs both tools; without them this check would pass unseen.
command -v update-mime-database >/dev/null || fail "update-mime-database is missing (shared-mime-info)"
command -v gio >/dev/null || fail "gio is missing (libglib2.0-bin)"
[ -f "$prefix/share/mime/mime.cache" ] || fail "the MIME cache was not built"
printf 'CVN\0\r\n\032\n\1\0\0\0' >"$prefix/lesson"
printf '%%PDF-1.7\n' >"$prefix/named.cvn"
for file in "$prefix/lesson" "$prefix/named.cvn"; do
  type="$(XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$prefix/none" \
          gio info -a standard::content-type "$file" | sed -n 's/.*content-type: //p')"
  [ "$type" = "application/x-corvan-cvn" ] || fail "$(basename "$file") is $type"
done
printf 'CVX\0\r\n\032\n' >"$prefix/other"
type="$(XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$prefix/none" \
        gio info -a standard::content-type "$prefix/other" | sed -n 's/.*content-type: //p')"
[ "$type" != "application/x-corvan-cvn" ] || fail "a wrong header passed as CVN"
echo "install test: passed"
