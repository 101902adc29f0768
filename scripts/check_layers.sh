#!/usr/bin/env bash
# Keeps the folders layers: a folder includes only folders below it, and nothing below
# widgets/ includes a Qt header. Prints each include that climbs and fails if there is one.
# Usage: check_layers.sh [source root]
set -euo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"

# Bottom to top.
layers=(geometry platform engine document drawing content external view editing widgets app)
first_qt_layer=widgets

declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

problems=0
for folder in "${layers[@]}"; do
  [[ -d "$root/$folder" ]] || continue
  own=${rank[$folder]}
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^/"]+)\/.*/\1/' <<<"$text")
    [[ -n "${rank[$target]+set}" ]] || continue
    if (( ${rank[$target]} > own )); then
      echo "${file#"$root"/}:$line: $folder/ includes $target/, a layer above it"
      problems=$((problems + 1))
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^/"]+/' "$root/$folder"/*.h "$root/$folder"/*.cpp 2>/dev/null || true)
  if (( own < ${rank[$first_qt_layer]} )); then
    while IFS=: read -r file line text; do
      echo "${file#"$root"/}:$line: $folder/ includes a Qt header; only $first_qt_layer/ and above may"
      problems=$((problems + 1))
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+<Q' "$root/$folder"/*.h "$root/$folder"/*.cpp 2>/dev/null || true)
  fi
done

if (( problems > 0 )); then
  echo "$problems include(s) break the layers: ${layers[*]} (each may include only those before it)"
  exit 1
fi
echo "layers hold: ${layers[*]}"
