// Putting the picture of a JPEG or PNG file into an image object. JPEG bytes go to the
// engine unchanged (it embeds the stream); PNG is decoded by the platform into BGRA pixels
// first. The file's extension decides, never its contents.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_table.h"

// Files above this size are refused before decoding; decoded pixels are bound the same way.
constexpr uint64_t kMaxImageBytes = 268435456;  // 256 MiB

// The result codes the PNG message shows ("错误 0x%08lX").
constexpr uint32_t kImageInvalidArgument = 0x80070057;
constexpr uint32_t kImageOutOfMemory = 0x8007000E;
constexpr uint32_t kImageFailure = 0x80004005;
constexpr uint32_t kImageUndecodable = 0x88982F50;

// Loads the whole JPEG file in `bytes` into the image object (the engine copies it); `pages`
// are the pages whose image cache must learn of it. False when the engine lacks the entry
// point or refused the bytes.
bool LoadJpegBytes(const PdfEngine& engine, FPDF_PAGE* pages, int pageCount, FPDF_PAGEOBJECT image,
                   const std::vector<uint8_t>& bytes);

// True when the bytes hold a JPEG from its start marker through the end marker of its last
// scan. The engine takes a cut-off JPEG without complaint and then cannot draw it, so such
// files are refused before they reach it. Reads only inside the bytes.
bool JpegIsComplete(const uint8_t* bytes, size_t size);

// Loads the file into `image`, a new object or one on the current page (the engine's image
// cache of the current page is renewed). On failure it shows its own message, titled
// "添加图片失败" or "替换图片失败", and the engine has kept the object's old picture.
bool LoadImageFileIntoObject(FPDF_PAGEOBJECT image, bool replacing, const std::u16string& path);
