#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor (under Xvfb when there is no display).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/build.sh"
if [ ! -x "$root/build/corvan-pdf" ]; then
  echo "run: build/corvan-pdf is not built yet (the window layer has not landed); the core and its tests are built."
  exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found; starting under xvfb-run"
  exec xvfb-run -a "$root/build/corvan-pdf" "$@"
fi
exec "$root/build/corvan-pdf" "$@"
