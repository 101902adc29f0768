#include "external/office_encryption.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/text_encoding.h"

namespace {

constexpr uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
// Bounds a damaged or hostile file: no longer chain is followed.
constexpr int kMostSectorsFollowed = 4096;

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

class CompoundFile {
 public:
  explicit CompoundFile(int fd) : fd_(fd) {}

  bool ReadHeader() {
    header_.resize(512);
    if (pread(fd_, header_.data(), 512, 0) != 512 || std::memcmp(header_.data(), kCompoundSignature, 8) != 0) {
      return false;
    }
    int shift = U16(&header_[0x1E]);
    if (shift != 9 && shift != 12) return false;
    sectorSize_ = size_t(1) << shift;
    return true;
  }

  bool ReadSector(uint32_t sector, std::vector<uint8_t>& bytes) const {
    bytes.resize(sectorSize_);
    off_t at = off_t(sector + 1) * off_t(sectorSize_);
    return sector < kEndOfChain - 16 && pread(fd_, bytes.data(), sectorSize_, at) == ssize_t(sectorSize_);
  }

  // The next sector of a chain, through the FAT sectors the header lists (the first 109 cover
  // files up to 7 MB with small sectors and far more with large ones).
  uint32_t Next(uint32_t sector) const {
    size_t perFatSector = sectorSize_ / 4;
    size_t fatIndex = sector / perFatSector;
    if (fatIndex >= 109) return kEndOfChain;
    std::vector<uint8_t> fat;
    if (!ReadSector(U32(&header_[0x4C + 4 * fatIndex]), fat)) return kEndOfChain;
    return U32(&fat[(sector % perFatSector) * 4]);
  }

  // Directory entries as (name, first sector) pairs.
  std::vector<std::pair<std::u16string, uint32_t>> Entries() const {
    std::vector<std::pair<std::u16string, uint32_t>> entries;
    std::vector<uint8_t> sector;
    uint32_t at = U32(&header_[0x30]);
    for (int count = 0; at < kEndOfChain - 16 && count < kMostSectorsFollowed; ++count, at = Next(at)) {
      if (!ReadSector(at, sector)) break;
      for (size_t entry = 0; entry + 128 <= sector.size(); entry += 128) {
        size_t nameBytes = std::min<size_t>(U16(&sector[entry + 0x40]), 64);
        std::u16string name;
        for (size_t i = 0; i + 2 <= nameBytes; i += 2) {
          char16_t c = char16_t(U16(&sector[entry + i]));
          if (c == 0) break;
          name += c;
        }
        entries.emplace_back(name, U32(&sector[entry + 0x74]));
      }
    }
    return entries;
  }

 private:
  int fd_;
  std::vector<uint8_t> header_;
  size_t sectorSize_ = 512;
};

}  // namespace

bool IsEncryptedOfficeFile(const std::u16string& path) {
  int fd = open(Utf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  CompoundFile file(fd);
  bool encrypted = false;
  if (file.ReadHeader()) {
    for (const auto& [name, start] : file.Entries()) {
      if (name == u"EncryptionInfo" || name == u"EncryptedSummary") encrypted = true;
      // Word 97: the fEncrypted flag of the file information block at the stream's start.
      std::vector<uint8_t> fib;
      if (name == u"WordDocument" && file.ReadSector(start, fib) && (U16(&fib[0x0A]) & 0x0100) != 0) encrypted = true;
    }
  }
  close(fd);
  return encrypted;
}
