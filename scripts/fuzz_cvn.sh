#!/usr/bin/env bash
# Fuzzes the CVN reader with libFuzzer (clang, address and undefined-behaviour sanitizers)
# for a number of inputs (default 1,000,000) and prints libFuzzer's count. Not part of CI.
#   scripts/fuzz_cvn.sh [runs]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/fuzz_build.sh" cvn_reader_fuzz "${1:-1000000}"
corpus="$build/cvn-corpus"
mkdir -p "$corpus"
# Seeds: a valid container around a tiny PDF, and one with a wrong version.
pdf='%PDF-1.4
1 0 obj << /Type /Catalog >> endobj
%%EOF
'
seed() { # version, pdf
  printf 'CVN\0\r\n\032\n' >"$2"
  python3 -c "import struct,sys; sys.stdout.buffer.write(struct.pack('<IQ', $1, len(sys.argv[1].encode())))" "$pdf" >>"$2"
  printf '%s' "$pdf" >>"$2"
}
seed 1 "$corpus/valid.cvn"
seed 2 "$corpus/version2.cvn"
"$build/tests/fuzz/cvn_reader_fuzz" -runs="$runs" -max_len=4096 "$corpus" 2>&1 | tee "$build/fuzz.log" | tail -n 3
grep -o 'Done [0-9]* runs' "$build/fuzz.log"
