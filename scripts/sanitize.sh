#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# and runs the whole test suite there. Not part of CI: it takes several times longer.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-asan"
# llvm brings llvm-symbolizer, without which reports show bare addresses instead of lines.
CORVAN_BUILD_DIR="$build" "$root/scripts/setup.sh" llvm
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -DCORVAN_SANITIZE=ON -DCORVAN_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/corvan-runtime-XXXXXX)}"
chmod 700 "$XDG_RUNTIME_DIR"
symbolizer="$(command -v llvm-symbolizer)"
export ASAN_SYMBOLIZER_PATH="${ASAN_SYMBOLIZER_PATH:-$symbolizer}"
export UBSAN_SYMBOLIZER_PATH="${UBSAN_SYMBOLIZER_PATH:-$symbolizer}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/scripts/leak-suppressions.txt}"
cd "$build"
ctest --output-on-failure -j 2 "$@"
