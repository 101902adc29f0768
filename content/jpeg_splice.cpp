#include "content/jpeg_splice.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>
#include <iterator>

#include <jpeglib.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back
// to the one place that set the trap. Nothing with a destructor lives between the two.
struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void LeaveOnError(j_common_ptr codec) { std::longjmp(reinterpret_cast<ErrorTrap*>(codec->err)->jump, 1); }
void IgnoreWarning(j_common_ptr, int) {}

struct Codec {
  ErrorTrap trap;
  jpeg_decompress_struct in;
  jpeg_compress_struct out;
  bool inCreated = false, outCreated = false;
  unsigned char* written = nullptr;
  unsigned long writtenSize = 0;
};

// cos((2x + 1)·u·π / 16) with the DCT's normalisation folded in: C(0) = 1/√2, halved.
struct CosineTable {
  double value[8][8];
  CosineTable() {
    for (int u = 0; u < 8; ++u) {
      for (int x = 0; x < 8; ++x) value[u][x] = 0.5 * (u == 0 ? std::sqrt(0.5) : 1.0) * std::cos((2 * x + 1) * u * kPi / 16);
    }
  }
};

// One sample of a component: the channel averaged over the pixels it stands for, edge pixels
// repeated past the picture's right and bottom, as the encoder pads.
double Sample(const uint8_t* bgrx, size_t stride, int width, int height, int component, bool grey, int x0, int y0,
              int spanX, int spanY) {
  double sum = 0;
  for (int y = y0; y < y0 + spanY; ++y) {
    const uint8_t* row = bgrx + size_t(std::min(y, height - 1)) * stride;
    for (int x = x0; x < x0 + spanX; ++x) {
      const uint8_t* p = row + size_t(std::min(x, width - 1)) * 4;
      const double b = p[0], g = p[1], r = p[2];
      if (grey || component == 0) {
        sum += 0.299 * r + 0.587 * g + 0.114 * b;
      } else if (component == 1) {
        sum += -0.168735892 * r - 0.331264108 * g + 0.5 * b + 128;
      } else {
        sum += 0.5 * r - 0.418687589 * g - 0.081312411 * b + 128;
      }
    }
  }
  return sum / (spanX * spanY);
}

// The forward DCT of the block's samples, quantised with the component's table (both in
// natural order, row by row).
void EncodeBlock(const double samples[8][8], const JQUANT_TBL& table, const CosineTable& cosine, JCOEF* block) {
  double rows[8][8];  // the DCT along each row
  for (int y = 0; y < 8; ++y) {
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int x = 0; x < 8; ++x) sum += cosine.value[u][x] * (samples[y][x] - 128);
      rows[y][u] = sum;
    }
  }
  for (int v = 0; v < 8; ++v) {
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int y = 0; y < 8; ++y) sum += cosine.value[v][y] * rows[y][u];
      const double quantised = std::round(sum / table.quantval[v * 8 + u]);
      block[v * 8 + u] = JCOEF(std::clamp(quantised, -32767.0, 32767.0));
    }
  }
}

// Encodes again every block of one component that stands for a changed pixel.
void EncodeChangedBlocks(jpeg_decompress_struct& in, int component, jvirt_barray_ptr blocks, const uint8_t* bgrx,
                         size_t stride, int width, int height, bool grey, const ChangedCells& changed,
                         const CosineTable& cosine) {
  const jpeg_component_info& info = in.comp_info[component];
  const int spanX = in.max_h_samp_factor / info.h_samp_factor, spanY = in.max_v_samp_factor / info.v_samp_factor;
  const int blockWidth = 8 * spanX, blockHeight = 8 * spanY;  // in pixels
  for (JDIMENSION blockRow = 0; blockRow < info.height_in_blocks; ++blockRow) {
    const int y0 = int(blockRow) * blockHeight;
    if (y0 >= height) break;
    JBLOCKARRAY row = in.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&in), blocks, blockRow, 1, TRUE);
    for (JDIMENSION blockColumn = 0; blockColumn < info.width_in_blocks; ++blockColumn) {
      const int x0 = int(blockColumn) * blockWidth;
      if (x0 >= width) break;
      if (!changed.Any(x0, y0, std::min(x0 + blockWidth, width), std::min(y0 + blockHeight, height))) continue;
      double samples[8][8];
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          samples[y][x] = Sample(bgrx, stride, width, height, component, grey, x0 + x * spanX, y0 + y * spanY, spanX, spanY);
        }
      }
      EncodeBlock(samples, *info.quant_table, cosine, row[0][blockColumn]);
    }
  }
}

// Whether a Huffman table holds every symbol a block of 8-bit samples can need, so that any
// block may be encoded with it (the encoder does not check: a missing symbol would corrupt
// the stream silently). The standard tables do; tables optimised for one picture may not.
bool HoldsEverySymbol(const JHUFF_TBL* table, bool dc) {
  if (table == nullptr) return false;
  int count = 0;
  for (int length = 1; length <= 16; ++length) count += table->bits[length];
  if (count > 256) return false;
  bool present[256] = {};
  for (int i = 0; i < count; ++i) present[table->huffval[i]] = true;
  if (dc) {
    for (int category = 0; category <= 11; ++category) {
      if (!present[category]) return false;
    }
    return true;
  }
  if (!present[0x00] || !present[0xF0]) return false;  // end of block, sixteen zeros
  for (int run = 0; run < 16; ++run) {
    for (int size = 1; size <= 10; ++size) {
      if (!present[run * 16 + size]) return false;
    }
  }
  return true;
}

bool SourceTablesServe(const jpeg_decompress_struct& in) {
  if (in.progressive_mode || in.arith_code) return false;
  for (int c = 0; c < in.num_components; ++c) {
    const jpeg_component_info& info = in.comp_info[c];
    if (info.dc_tbl_no < 0 || info.dc_tbl_no >= NUM_HUFF_TBLS || info.ac_tbl_no < 0 || info.ac_tbl_no >= NUM_HUFF_TBLS ||
        !HoldsEverySymbol(in.dc_huff_tbl_ptrs[info.dc_tbl_no], true) ||
        !HoldsEverySymbol(in.ac_huff_tbl_ptrs[info.ac_tbl_no], false)) {
      return false;
    }
  }
  return true;
}

JHUFF_TBL* CopyTable(jpeg_compress_struct& out, const JHUFF_TBL* from) {
  if (from == nullptr) return nullptr;
  JHUFF_TBL* table = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&out));
  std::copy(std::begin(from->bits), std::end(from->bits), std::begin(table->bits));
  std::copy(std::begin(from->huffval), std::end(from->huffval), std::begin(table->huffval));
  table->sent_table = FALSE;
  return table;
}

// The stream keeps its own Huffman tables when they serve every block: one encoding pass
// instead of two, and the size it had. Otherwise the tables are optimised for the new data.
void ChooseTables(const jpeg_decompress_struct& in, jpeg_compress_struct& out) {
  if (!SourceTablesServe(in)) {
    out.optimize_coding = TRUE;
    return;
  }
  for (int n = 0; n < NUM_HUFF_TBLS; ++n) {
    out.dc_huff_tbl_ptrs[n] = CopyTable(out, in.dc_huff_tbl_ptrs[n]);
    out.ac_huff_tbl_ptrs[n] = CopyTable(out, in.ac_huff_tbl_ptrs[n]);
  }
  for (int c = 0; c < in.num_components; ++c) {
    out.comp_info[c].dc_tbl_no = in.comp_info[c].dc_tbl_no;
    out.comp_info[c].ac_tbl_no = in.comp_info[c].ac_tbl_no;
  }
  out.optimize_coding = FALSE;
}

bool Splice(Codec& codec, const std::vector<uint8_t>& source, const uint8_t* bgrx, size_t stride, int width, int height,
            const ChangedCells& changed) {
  codec.in.err = jpeg_std_error(&codec.trap.manager);
  codec.trap.manager.error_exit = LeaveOnError;
  codec.trap.manager.emit_message = IgnoreWarning;
  codec.out.err = &codec.trap.manager;
  if (setjmp(codec.trap.jump) != 0) return false;
  jpeg_create_decompress(&codec.in);
  codec.inCreated = true;
  jpeg_create_compress(&codec.out);
  codec.outCreated = true;
  jpeg_mem_src(&codec.in, source.data(), static_cast<unsigned long>(source.size()));
  if (jpeg_read_header(&codec.in, TRUE) != JPEG_HEADER_OK) return false;
  jpeg_decompress_struct& in = codec.in;
  const bool grey = in.jpeg_color_space == JCS_GRAYSCALE && in.num_components == 1;
  const bool ycc = in.jpeg_color_space == JCS_YCbCr && in.num_components == 3;
  if ((!grey && !ycc) || in.data_precision != 8 || in.image_width != JDIMENSION(width) ||
      in.image_height != JDIMENSION(height)) {
    return false;
  }
  for (int c = 0; c < in.num_components; ++c) {
    if (in.max_h_samp_factor % in.comp_info[c].h_samp_factor != 0 ||
        in.max_v_samp_factor % in.comp_info[c].v_samp_factor != 0) {
      return false;
    }
  }
  jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&in);
  if (coefficients == nullptr) return false;
  static const CosineTable cosine;
  for (int c = 0; c < in.num_components; ++c) {
    if (in.comp_info[c].quant_table == nullptr) return false;
    EncodeChangedBlocks(in, c, coefficients[c], bgrx, stride, width, height, grey, changed, cosine);
  }
  jpeg_copy_critical_parameters(&in, &codec.out);
  ChooseTables(in, codec.out);
  jpeg_mem_dest(&codec.out, &codec.written, &codec.writtenSize);
  jpeg_write_coefficients(&codec.out, coefficients);
  jpeg_finish_compress(&codec.out);
  jpeg_finish_decompress(&in);
  return true;
}

}  // namespace

std::vector<uint8_t> SpliceJpegBlocks(const std::vector<uint8_t>& source, const uint8_t* bgrx, size_t stride, int width,
                                      int height, const ChangedCells& changed) {
  if (source.empty() || bgrx == nullptr || width <= 0 || height <= 0 || stride < size_t(width) * 4) return {};
  Codec codec{};
  std::vector<uint8_t> result;
  if (Splice(codec, source, bgrx, stride, width, height, changed) && codec.written != nullptr) {
    result.assign(codec.written, codec.written + codec.writtenSize);
  }
  if (codec.outCreated) jpeg_destroy_compress(&codec.out);
  if (codec.inCreated) jpeg_destroy_decompress(&codec.in);
  std::free(codec.written);
  return result;
}
