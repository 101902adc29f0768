#!/usr/bin/env bash
# Keeps the folders layers: a folder includes and links only folders below it, and nothing
# below widgets/ includes a Qt header. Three looks, each closing what the one before leaves open:
#  - the source text: every file under a layer folder, its #include/#include_next/#import lines
#    (continued lines and comments folded first), quoted or angled, resolved the way the
#    compiler does (the including file's folder, then the source root; `..` and links followed);
#  - with a build folder, the headers each object of libcorvan_<layer>.a was really compiled
#    from (ninja's dependency log), which no spelling of an include can hide;
#  - with a build folder, the archives' symbols: no symbol a layer needs may be defined only
#    by a layer above it.
# Prints each breach as file:line: what, and fails if there is one.
# Usage: check_layers.sh [source root] [build folder]
set -euo pipefail
root="$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}" && pwd -P)"
build="${2:-}"
[[ -z "$build" ]] || build="$(cd "$build" && pwd -P)"

# Bottom to top.
layers=(geometry platform engine document drawing content external view editing widgets app)
first_qt_layer=widgets

declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
qt_rank=${rank[$first_qt_layer]}
problems=0
refuse() {
  echo "$1"
  problems=$((problems + 1))
}

# A header path that names Qt: <QString>, <QtCore/QString>, <QtCore>, <qstring.h>.
is_qt_name() {
  [[ "$1" =~ (^|/)(Qt[A-Za-z0-9]*|Q[A-Z][A-Za-z0-9]*|q[a-z0-9_]+\.h)$ || "$1" =~ ^Qt[A-Za-z0-9]*/ ]]
}

# The layer a path lies in; "name/" for a folder of the root that is no layer, "outside" beyond it.
# Sets `target` (no subshell: it runs for every include).
layer_of() {
  local path="$1"
  if [[ "$path" != "$root"/* ]]; then target=outside; return; fi
  target="${path#"$root"/}"
  target="${target%%/*}"
  [[ -n "${rank[$target]+set}" ]] || target="$target/"
}

# Prints file<TAB>line<TAB>directive for each include directive in the given files, after joining
# continued lines and removing comments (also those spanning lines) and string literals outside
# directives, so that neither hides nor fakes a directive.
directives() {
  awk '
    FNR == 1 { pending = ""; incomment = 0 }
    {
      text = $0
      if (pending != "") { text = pending text } else { start = FNR }
      if (text ~ /\\$/) { pending = substr(text, 1, length(text) - 1); next }
      pending = ""
      out = ""
      while (length(text) > 0) {
        if (incomment) {
          at = index(text, "*/")
          if (at == 0) { text = ""; break }
          text = substr(text, at + 2); incomment = 0; out = out " "
          continue
        }
        if (match(text, /\/\*|\/\/|"([^"\\]|\\.)*"|'"'"'([^'"'"'\\]|\\.)*'"'"'/)) {
          token = substr(text, RSTART, RLENGTH)
          out = out substr(text, 1, RSTART - 1)
          text = substr(text, RSTART + RLENGTH)
          if (token == "/*") { incomment = 1 }
          else if (token == "//") { text = "" }
          else { out = out token }
          continue
        }
        out = out text; text = ""
      }
      if (out ~ /^[ \t]*#[ \t]*(include|include_next|import)([^A-Za-z0-9_]|$)/) {
        sub(/^[ \t]*#[ \t]*(include_next|include|import)[ \t]*/, "", out)
        sub(/[ \t]+$/, "", out)
        print FILENAME "\t" start "\t" out
      }
    }' "$@"
}

check_sources() {
  local folder own files=()
  for folder in "${layers[@]}"; do
    [[ -d "$root/$folder" ]] || continue
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$root/$folder" -type f -print0)
  done
  ((${#files[@]})) || return 0
  # First every include and where the compiler would find it, then all of them resolved at once.
  local file line spec path here candidate records=() candidates=()
  while IFS=$'\t' read -r file line spec; do
    folder="${file#"$root"/}"
    folder="${folder%%/*}"
    if [[ ! "$spec" =~ ^[\"\<]([^\"\>]+)[\"\>] ]]; then
      refuse "${file#"$root"/}:$line: $folder/ includes through a macro ($spec), which cannot be checked"
      continue
    fi
    path="${BASH_REMATCH[1]}"
    here="${file%/*}"
    candidate=""
    if [[ "$spec" == \"* && -e "$here/$path" ]]; then
      candidate="$here/$path"
    elif [[ -e "$root/$path" ]]; then
      candidate="$root/$path"
    elif [[ -n "${rank[${path%%/*}]+set}" ]]; then
      candidate="$root/$path"  # names a layer's file that is not there: still a climb
    fi
    records+=("${file#"$root"/}:$line"$'\t'"$folder"$'\t'"$path"$'\t'"${candidate:+resolved}")
    [[ -z "$candidate" ]] || candidates+=("$candidate")
  done < <(directives "${files[@]}")
  local resolved=()
  ((${#candidates[@]} == 0)) || mapfile -t resolved < <(realpath -m -- "${candidates[@]}")
  local record where kind target next=0
  for record in "${records[@]}"; do
    IFS=$'\t' read -r where folder path kind <<<"$record"
    own=${rank[$folder]}
    if [[ -n "$kind" ]]; then
      layer_of "${resolved[$next]}"
      next=$((next + 1))
      if [[ -n "${rank[$target]+set}" ]]; then
        if ((${rank[$target]} > own)); then refuse "$where: $folder/ includes $target/, a layer above it ($path)"; fi
      else
        refuse "$where: $folder/ includes $path from ${target}, which is no layer below it"
      fi
    elif ((own < qt_rank)) && is_qt_name "$path"; then
      refuse "$where: $folder/ includes a Qt header ($path); only $first_qt_layer/ and above may"
    fi
  done
}

# Ninja's log of the headers each object was compiled from: an object of libcorvan_<layer>.a
# may depend only on files of its own layer or those below, and below widgets/ on no Qt header.
check_compiled_headers() {
  [[ -f "$build/build.ninja" ]] || return 0
  # object<TAB>header for every object of a layer's library, the header made absolute.
  local pairs
  pairs="$(ninja -C "$build" -t deps 2>/dev/null | awk -v build="$build" '
    /^[^ \t].*: #deps/ { object = $1; sub(/:$/, "", object); keep = object ~ /(^|\/)corvan_[a-z]+\.dir\//; next }
    keep && NF { dep = $1; if (dep !~ /^\//) dep = build "/" dep; print object "\t" dep }')"
  [[ -n "$pairs" ]] || return 0
  # Each header once through realpath, so that `..` and links count as the compiler followed them.
  local headers resolved
  mapfile -t headers < <(cut -f2 <<<"$pairs" | sort -u)
  mapfile -t resolved < <(realpath -m -- "${headers[@]}")
  local ranks="" layer
  for layer in "${layers[@]}"; do ranks+="$layer=${rank[$layer]} "; done
  local report
  report="$(
    {
      for i in "${!headers[@]}"; do printf 'H\t%s\t%s\n' "${headers[$i]}" "${resolved[$i]}"; done
      sed 's/^/P\t/' <<<"$pairs"
    } | awk -F'\t' -v root="$root" -v build="$build" -v ranks="$ranks" -v qt="$qt_rank" -v qtname="$first_qt_layer" '
      BEGIN { n = split(ranks, r, " "); for (i = 1; i <= n; ++i) { split(r[i], kv, "="); rank[kv[1]] = kv[2] } }
      $1 == "H" { real[$2] = $3; next }
      {
        object = $2; path = real[$3]
        match(object, /corvan_[a-z]+\.dir\//); layer = substr(object, RSTART + 7, RLENGTH - 12); own = rank[layer]
        if (index(path, root "/") == 1) {
          if (index(path, build "/") == 1) next
          rel = substr(path, length(root) + 2); first = rel; sub(/\/.*/, "", first)
          if (!(first in rank)) print object "\t" layer "/ is compiled from " rel ", which is no layer below it"
          else if (rank[first] > own) print object "\t" layer "/ is compiled from " rel ", a layer above it"
        } else if (own < qt && path ~ /\/(qt6|qt5|Qt[A-Za-z0-9]*)\//) {
          print object "\t" layer "/ is compiled from the Qt header " path "; only " qtname "/ and above may"
        }
      }' | sort -u
  )"
  [[ -n "$report" ]] || return 0
  local object what
  while IFS=$'\t' read -r object what; do refuse "$object: $what"; done <<<"$report"
}

# Every symbol an archive leaves undefined is looked up among its own definitions and those of
# the layers below; one found only in a layer above is a breach of the layers even when every
# include is in order (a function declared low and defined high).
check_symbols() {
  local archives=() layer
  for layer in "${layers[@]}"; do
    local archive="$build/libcorvan_$layer.a"
    if [[ -f "$archive" ]]; then
      archives+=("$layer=$archive")
    elif [[ -d "$root/$layer" && -n "$(find "$root/$layer" -name '*.c*' -print -quit)" ]]; then
      refuse "$layer/: no libcorvan_$layer.a in $build to check its symbols; build first"
    fi
  done
  ((${#archives[@]})) || return 0
  local report
  report="$(
    for entry in "${archives[@]}"; do
      layer="${entry%%=*}"
      nm -A -g -P "${entry#*=}" 2>/dev/null | awk -v rank="${rank[$layer]}" -v layer="$layer" '
        { name = $2; type = $3; file = $1; sub(/:$/, "", file); sub(/.*\[/, "", file); sub(/\]$/, "", file)
          print rank, layer, (type == "U" || type == "w" || type == "v" ? "U" : "D"), name, file }'
    done | awk '
      $3 == "D" { if (!($4 in lowest) || $1 < lowest[$4]) { lowest[$4] = $1; owner[$4] = $2 "/" $5 } ; next }
      { need[++n] = $0 }
      END {
        for (i = 1; i <= n; ++i) {
          split(need[i], f, " ")
          if ((f[4] in lowest) && lowest[f[4]] > f[1]) print f[2] "/" f[5] "\t" f[4] "\t" owner[f[4]]
        }
      }' | sort -u
  )"
  [[ -n "$report" ]] || return 0
  local user symbol definer
  while IFS=$'\t' read -r user symbol definer; do
    refuse "$user: needs $(c++filt "$symbol"), defined only above it in $definer"
  done <<<"$report"
}

check_sources
if [[ -n "$build" ]]; then
  check_compiled_headers
  check_symbols
fi

if ((problems > 0)); then
  echo "$problems breach(es) of the layers: ${layers[*]} (each may use only those before it)"
  exit 1
fi
echo "layers hold: ${layers[*]}"
