#!/usr/bin/env bash
# Fuzzes the clipboard bitmap reader with libFuzzer (clang, address and undefined-behaviour
# sanitizers) for a number of inputs (default 1,000,000) and prints libFuzzer's count.
# Not part of CI.
#   scripts/fuzz_dib.sh [runs]
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/fuzz_build.sh" clipboard_dib_fuzz "${1:-1000000}"
corpus="$build/dib-corpus"
mkdir -p "$corpus"
# Seeds: each kind of header and pixel layout the reader takes, 3 × 2 pixels.
python3 - "$corpus" <<'PY'
import struct, sys, os
out = sys.argv[1]
def header(size, w, h, bits, compression, used=0):
    return struct.pack('<IiiHHIIiiII', size, w, h, 1, bits, compression, 0, 0, 0, used, 0) + b'\0' * (size - 40)
def rows(w, h, bpp):
    stride = (w * bpp * 8 + 31) // 32 * 4
    return b''.join(bytes((x * 40 + y * 7 + c) & 255 for x in range(w) for c in range(bpp)).ljust(stride, b'\0') for y in range(h))
masks3 = struct.pack('<III', 0xFF0000, 0xFF00, 0xFF)
seeds = {
    'rgb24_bottom_up.dib': header(40, 3, 2, 24, 0) + rows(3, 2, 3),
    'rgb32_top_down.dib': header(40, 3, -2, 32, 0) + rows(3, 2, 4),
    'bitfields40.dib': header(40, 3, 2, 32, 3) + masks3 + rows(3, 2, 4),
    'alphabitfields40.dib': header(40, 3, 2, 32, 6) + masks3 + struct.pack('<I', 0xFF000000) + rows(3, 2, 4),
    'v3_52.dib': header(52, 3, 2, 32, 3)[:40] + masks3 + rows(3, 2, 4),
    'v5.dib': header(124, 3, -2, 32, 3)[:40] + masks3 + struct.pack('<I', 0xFF000000) + b'\0' * 68 + rows(3, 2, 4),
    'colour_table.dib': header(40, 3, 2, 24, 0, used=2) + b'\1\2\3\0\4\5\6\0' + rows(3, 2, 3),
    'size_record.bin': struct.pack('<Ifff', 0x43564E49, 300.0, 150.0, -45.0),
}
dib = seeds['rgb24_bottom_up.dib']
seeds['file.bmp'] = b'BM' + struct.pack('<IHHI', 14 + len(dib), 0, 0, 54) + dib
# Pixels 16 bytes after the header, where the file header says they start.
seeds['gap.bmp'] = b'BM' + struct.pack('<IHHI', 14 + len(dib) + 16, 0, 0, 70) + dib[:40] + b'\xee' * 16 + dib[40:]
for name, data in seeds.items():
    open(os.path.join(out, name), 'wb').write(data)
PY
"$build/tests/fuzz/clipboard_dib_fuzz" -runs="$runs" -max_len=4096 "$corpus" 2>&1 | tee "$build/dib-fuzz.log" | tail -n 3
grep -o 'Done [0-9]* runs' "$build/dib-fuzz.log"
