#!/usr/bin/env bash
# Installs what this machine lacks (Debian packages, the PDFium library, the font folder).
# Safe to run again: only missing pieces are fetched, apt-get update runs at most once.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${CORVAN_BUILD_DIR:-$root/build}"

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libxkbcommon-dev qt6-translations-l10n
  fonts-wqy-microhei fonts-wqy-zenhei fonts-arphic-gbsn00lp fonts-arphic-uming fonts-dejavu-core
  qpdf poppler-utils mupdf-tools libharfbuzz-dev libxcb1-dev zip
  libnss3-tools openssl
  tesseract-ocr tesseract-ocr-chi-sim tesseract-ocr-eng
  libreoffice-core-nogui libreoffice-writer-nogui libreoffice-impress-nogui
  npm ca-certificates xvfb xauth x11-utils xclip
  libjpeg62-turbo-dev zlib1g-dev
  shared-mime-info libglib2.0-bin
  cups printer-driver-cups-pdf libcups2-dev
  sane-utils libsane-dev
)
# Extra packages a caller needs beyond these (the fuzzing script's clang, say).
packages+=("$@")

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
# Installed means "install ok installed": a package removed with its settings kept is still
# known to dpkg but is not there.
for p in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
done
# npm may come from elsewhere (nvm, a tarball); only ask Debian for it when there is none.
if command -v npm >/dev/null 2>&1; then
  filtered=(); for p in "${missing[@]}"; do [ "$p" = npm ] || filtered+=("$p"); done
  missing=("${filtered[@]+"${filtered[@]}"}")
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# PDFium: the prebuilt library from one npm package, checked against its known digest,
# placed where the engine search looks (the package layout beside the executable).
pdfium_sha=246872bdd5e05843b70051e6378216cc584535a1f4a7248b9f88059715d70f7c
pdfium_dir="$build/packages/dravenhol.PDFium.Linux.157.0.8100/runtimes/linux-x64/native"
pdfium_lib="$pdfium_dir/libpdfium.so"
if ! [ -f "$pdfium_lib" ] || ! echo "$pdfium_sha  $pdfium_lib" | sha256sum -c --status; then
  cache="${XDG_CACHE_HOME:-$HOME/.cache}/corvan-pdf"
  mkdir -p "$cache" "$pdfium_dir"
  cached="$cache/libpdfium.so"
  if ! [ -f "$cached" ] || ! echo "$pdfium_sha  $cached" | sha256sum -c --status; then
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && npm pack --silent @craftlions/pdfium-rs-linux-x64-gnu@0.0.15 >/dev/null)
    tar -xzf "$work"/craftlions-pdfium-rs-linux-x64-gnu-0.0.15.tgz -C "$work" package/libpdfium.so
    if ! echo "$pdfium_sha  $work/package/libpdfium.so" | sha256sum -c --status; then
      echo "setup: libpdfium.so from npm does not match its expected sha256; refusing to use it" >&2
      exit 1
    fi
    cp "$work/package/libpdfium.so" "$cached.part" && mv "$cached.part" "$cached"
  fi
  cp "$cached" "$pdfium_lib.part" && mv "$pdfium_lib.part" "$pdfium_lib"
fi

# Font folder beside the executable: the four font-table file names linked to free CJK fonts.
fonts="$build/fonts"
mkdir -p "$fonts"
ln -sfn /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/msyh.ttc"
ln -sfn /usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf "$fonts/simsun.ttc"
ln -sfn /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc "$fonts/simhei.ttf"
ln -sfn /usr/share/fonts/truetype/arphic/uming.ttc "$fonts/arialuni.ttf"
echo "setup: ready"
