#include "support/jpeg_maker.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

int BytesPerPixel(JpegPixels pixels) { return pixels == JpegPixels::Rgb ? 3 : 4; }

}  // namespace

std::vector<uint8_t> EncodeJpeg(const JpegSpec& spec, const std::function<void(int y, uint8_t* line)>& fill) {
  jpeg_compress_struct codec{};
  jpeg_error_mgr errors{};
  codec.err = jpeg_std_error(&errors);
  jpeg_create_compress(&codec);
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&codec, &bytes, &size);
  codec.image_width = JDIMENSION(spec.width);
  codec.image_height = JDIMENSION(spec.height);
  codec.input_components = BytesPerPixel(spec.pixels);
  codec.in_color_space = spec.pixels == JpegPixels::Rgb    ? JCS_RGB
                         : spec.pixels == JpegPixels::Bgrx ? JCS_EXT_BGRX
                                                           : JCS_CMYK;
  jpeg_set_defaults(&codec);
  if (spec.grey) jpeg_set_colorspace(&codec, JCS_GRAYSCALE);
  jpeg_set_quality(&codec, spec.quality, TRUE);
  codec.comp_info[0].h_samp_factor = codec.comp_info[0].v_samp_factor = spec.lumaSampling;
  codec.optimize_coding = spec.optimise ? TRUE : FALSE;
  jpeg_start_compress(&codec, TRUE);
  std::vector<uint8_t> line(size_t(spec.width) * BytesPerPixel(spec.pixels));
  while (codec.next_scanline < codec.image_height) {
    fill(int(codec.next_scanline), line.data());
    JSAMPROW row = line.data();
    jpeg_write_scanlines(&codec, &row, 1);
  }
  jpeg_finish_compress(&codec);
  jpeg_destroy_compress(&codec);
  std::vector<uint8_t> jpeg(bytes, bytes + size);
  std::free(bytes);
  return jpeg;
}

std::vector<uint8_t> EncodeJpeg(const JpegSpec& spec, const std::vector<uint8_t>& pixels) {
  const size_t stride = size_t(spec.width) * BytesPerPixel(spec.pixels);
  if (pixels.size() < stride * size_t(spec.height)) return {};
  return EncodeJpeg(spec, [&](int y, uint8_t* line) { std::memcpy(line, &pixels[stride * size_t(y)], stride); });
}
