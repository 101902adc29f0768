#include "support/test_jpeg.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

std::vector<uint8_t> EncodeTestJpeg(const uint8_t* bgrx, int width, int height, bool grey, int sampling, int quality,
                                    bool optimise) {
  jpeg_compress_struct codec{};
  jpeg_error_mgr errors{};
  codec.err = jpeg_std_error(&errors);
  jpeg_create_compress(&codec);
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&codec, &bytes, &size);
  codec.image_width = JDIMENSION(width);
  codec.image_height = JDIMENSION(height);
  codec.input_components = 4;
  codec.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&codec);
  if (grey) jpeg_set_colorspace(&codec, JCS_GRAYSCALE);
  jpeg_set_quality(&codec, quality, TRUE);
  codec.comp_info[0].h_samp_factor = codec.comp_info[0].v_samp_factor = sampling;
  codec.optimize_coding = optimise ? TRUE : FALSE;
  jpeg_start_compress(&codec, TRUE);
  while (codec.next_scanline < codec.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bgrx + size_t(codec.next_scanline) * width * 4);
    jpeg_write_scanlines(&codec, &row, 1);
  }
  jpeg_finish_compress(&codec);
  jpeg_destroy_compress(&codec);
  std::vector<uint8_t> jpeg(bytes, bytes + size);
  std::free(bytes);
  return jpeg;
}
