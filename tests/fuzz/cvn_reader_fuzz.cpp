// libFuzzer target for the CVN reader: any bytes, as a file, either are refused with a
// result code or give a reader whose length matches the file and whose reads return exactly
// the bytes after the header, and refuse everything outside them.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "document/cvn_container.h"
#include "platform/text_encoding.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int fd = memfd_create("cvn", MFD_CLOEXEC);
  if (fd < 0 || ::ftruncate(fd, 0) != 0) return 0;
  if (size > 0 && ::pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
  CvnReader reader;
  CvnOpenResult result = OpenCvnReader(reader, u"/proc/self/fd/" + Num(fd));
  Require(result >= kCvnOk && result <= kCvnTooLarge);
  if (result != kCvnOk) return 0;
  Require(size > 24 && reader.pdfLength + kCvnHeaderSize == size);
  Require(std::memcmp(data + kCvnHeaderSize, "%PDF-", 5) == 0);
  const uint64_t length = reader.pdfLength;
  // Reads at the edges and at positions the input itself chooses.
  uint64_t chosen = size >= 28 ? (uint64_t(data[24]) | uint64_t(data[25]) << 8) % (length + 8) : 0;
  const uint64_t positions[] = {0, length / 2, length - 1, length, length + 1, chosen};
  const unsigned long sizes[] = {0, 1, 5, 64};
  unsigned char buffer[64];
  for (uint64_t position : positions) {
    for (unsigned long count : sizes) {
      int ok = reader.fileAccess.m_GetBlock(reader.fileAccess.m_Param, (unsigned long)position, buffer, count);
      bool inside = position <= length && length - position >= count;
      Require(ok == (inside ? 1 : 0));
      if (ok && count > 0) Require(std::memcmp(buffer, data + kCvnHeaderSize + position, count) == 0);
    }
  }
  Require(reader.fileAccess.m_GetBlock(reader.fileAccess.m_Param, 0, nullptr, 1) == 0);
  return 0;
}
