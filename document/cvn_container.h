// The CVN container: a 20-byte header followed by the complete bytes of a PDF, read lazily
// by the engine through a callback at offset 20.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "engine/pdfium_types.h"

constexpr int kCvnHeaderSize = 20;
constexpr uint32_t kCvnVersion = 1;
constexpr unsigned char kCvnMagic[8] = {0x43, 0x56, 0x4E, 0x00, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint64_t kCvnMaxPdfLength = 4294967295ull;

enum CvnOpenResult {
  kCvnOk = 0,
  kCvnIoError = 1,
  kCvnInvalid = 2,
  kCvnUnsupportedVersion = 3,
  kCvnTooLarge = 4,
};

struct CvnReader {
  int fd = -1;
  std::mutex lock;  // serialises each seek-and-read pair on the file
  uint64_t pdfLength = 0;
  FPDF_FILEACCESS fileAccess{};
  ~CvnReader();
};

CvnOpenResult OpenCvnReader(CvnReader& reader, const std::u16string& path);
// The user's text for a non-zero result.
std::u16string CvnOpenErrorMessage(CvnOpenResult result);
bool WriteCvnHeader(int fd, uint64_t pdfLength);
bool SaveAsCvn();

