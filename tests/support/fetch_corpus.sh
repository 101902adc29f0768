#!/usr/bin/env bash
# Builds the corpus of real documents the corpus test edits, from a list (tests/corpus/
# corpus_files.txt): PDFs from Debian documentation packages (apt-get download, dpkg -x),
# documents converted by LibreOffice, and variants made with qpdf, mutool and pdfsig.
# The result is kept in OUT; a later run with the same list and script does nothing.
#
#   fetch_corpus.sh LIST OUT
set -euo pipefail

list="$1"
out="$2"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
stamp="$(cat "$list" "${BASH_SOURCE[0]}" "$here/corpus_update.js" | sha256sum | cut -d' ' -f1)"
if [ -f "$out/ready" ] && [ "$(cat "$out/ready")" = "$stamp" ]; then
  echo "corpus: ready in $out"
  exit 0
fi

mkdir -p "$(dirname "$out")"
work="$(mktemp -d "$(dirname "$out")/corpus-work-XXXXXX")"
trap 'rm -rf "$work"' EXIT
files="$work/files"
mkdir -p "$files" "$work/debs" "$work/tree" "$work/office"

fail() {
  echo "corpus: $*" >&2
  exit 1
}

packages=()
while read -r kind rest; do
  [ "$kind" = package ] && packages+=("$rest")
done < <(grep -v '^#' "$list")
# A machine whose packages were all present never ran apt-get update in the set-up: its package
# list may be empty or stale, so a failed download refreshes the list once and tries again.
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
(cd "$work/debs" && apt-get download -q "${packages[@]}" >/dev/null 2>&1) ||
  { "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null &&
    (cd "$work/debs" && apt-get download "${packages[@]}"); } ||
  fail "apt-get download ${packages[*]} failed even after apt-get update"
for deb in "$work/debs"/*.deb; do dpkg -x "$deb" "$work/tree"; done
texdoc="$work/tree/usr/share/doc/texlive-doc"

resolve() {
  case "$1" in
    tex:*) echo "$texdoc/${1#tex:}" ;;
    *) echo "$1" ;;
  esac
}

# Originals first, then conversions, then variants of either.
office_inputs=()
declare -A office_names
while read -r kind name source; do
  case "$kind" in
    tex)
      [ -f "$texdoc/$source" ] || fail "$source is not in ${packages[*]}"
      cp "$texdoc/$source" "$files/$name.pdf"
      ;;
    office)
      input="$(resolve "$source")"
      [ -f "$input" ] || fail "$input is missing (LibreOffice templates come with libreoffice-common)"
      extension="${input##*.}"
      cp "$input" "$work/office/$name.$extension"
      office_inputs+=("$work/office/$name.$extension")
      office_names[$name]=1
      ;;
  esac
done < <(grep -v '^#' "$list")

if [ "${#office_inputs[@]}" -gt 0 ]; then
  timeout 600 soffice "-env:UserInstallation=file://$work/office-profile" --headless --norestore \
    --convert-to pdf --outdir "$work/office/pdf" "${office_inputs[@]}" >/dev/null 2>&1 ||
    fail "LibreOffice could not convert ${office_inputs[*]}"
  for name in "${!office_names[@]}"; do
    [ -s "$work/office/pdf/$name.pdf" ] || fail "LibreOffice made no PDF of $name"
    cp "$work/office/pdf/$name.pdf" "$files/$name.pdf"
  done
fi

signer="$work/nss"
make_signer() {
  [ -d "$signer" ] && return 0
  mkdir -p "$signer"
  certutil -N -d "sql:$signer" --empty-password
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" \
    -subj "/CN=Corvan Test Signer" -days 3650 2>/dev/null
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -name corvan-test \
    -out "$work/signer.p12" -passout pass:corvan
  pk12util -i "$work/signer.p12" -d "sql:$signer" -W corvan >/dev/null
}

while read -r kind name from; do
  case "$kind" in
    linearized|objstreams|updated|signed) ;;
    *) continue ;;
  esac
  source="$files/$from.pdf"
  [ -f "$source" ] || fail "$name is made from $from, which is not in the corpus"
  target="$files/$name.pdf"
  case "$kind" in
    # qpdf exits 3 for warnings it repaired; the file is written all the same.
    linearized) qpdf --linearize "$source" "$target" || [ $? -eq 3 ] ;;
    objstreams) qpdf --object-streams=generate "$source" "$target" || [ $? -eq 3 ] ;;
    updated) mutool run "$here/corpus_update.js" "$source" "$target" ;;
    signed)
      make_signer
      pdfsig -nssdir "sql:$signer" -add-signature -nick corvan-test "$source" "$target" 2>/dev/null
      pdfsig -nssdir "sql:$signer" "$target" 2>/dev/null | grep -q "Signature is Valid" ||
        fail "pdfsig does not accept the signature it made on $name"
      ;;
  esac
  [ -s "$target" ] || fail "no $name was made from $from"
done < <(grep -v '^#' "$list")

count="$(find "$files" -name '*.pdf' | wc -l)"
rm -rf "$out"
mv "$files" "$out"
echo "$stamp" > "$out/ready"
echo "corpus: $count files in $out"
