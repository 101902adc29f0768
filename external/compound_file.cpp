#include "external/compound_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// Bounds a damaged or hostile file: no longer chain is followed.
constexpr int kMostSectorsFollowed = 4096;

}  // namespace

uint32_t CompoundU32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t CompoundU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool HasCompoundSignature(const std::string& head) {
  return head.size() >= 8 && std::memcmp(head.data(), kCompoundSignature, 8) == 0;
}

bool CompoundFile::ReadHeader() {
  header_.resize(512);
  if (pread(fd_, header_.data(), 512, 0) != 512 || std::memcmp(header_.data(), kCompoundSignature, 8) != 0) {
    return false;
  }
  int shift = CompoundU16(&header_[0x1E]);
  if (shift != 9 && shift != 12) return false;
  sectorSize_ = size_t(1) << shift;
  return true;
}

bool CompoundFile::ReadSector(uint32_t sector, std::vector<uint8_t>& bytes) const {
  bytes.resize(sectorSize_);
  off_t at = off_t(sector + 1) * off_t(sectorSize_);
  return sector < kCompoundEndOfChain - 16 && pread(fd_, bytes.data(), sectorSize_, at) == ssize_t(sectorSize_);
}

uint32_t CompoundFile::Next(uint32_t sector) const {
  size_t perFatSector = sectorSize_ / 4;
  size_t fatIndex = sector / perFatSector;
  if (fatIndex >= 109) return kCompoundEndOfChain;
  std::vector<uint8_t> fat;
  if (!ReadSector(CompoundU32(&header_[0x4C + 4 * fatIndex]), fat)) return kCompoundEndOfChain;
  return CompoundU32(&fat[(sector % perFatSector) * 4]);
}

std::vector<std::pair<std::u16string, uint32_t>> CompoundFile::Entries() const {
  std::vector<std::pair<std::u16string, uint32_t>> entries;
  std::vector<uint8_t> sector;
  uint32_t at = CompoundU32(&header_[0x30]);
  for (int count = 0; at < kCompoundEndOfChain - 16 && count < kMostSectorsFollowed; ++count, at = Next(at)) {
    if (!ReadSector(at, sector)) break;
    for (size_t entry = 0; entry + 128 <= sector.size(); entry += 128) {
      size_t nameBytes = std::min<size_t>(CompoundU16(&sector[entry + 0x40]), 64);
      std::u16string name;
      for (size_t i = 0; i + 2 <= nameBytes; i += 2) {
        char16_t c = char16_t(CompoundU16(&sector[entry + i]));
        if (c == 0) break;
        name += c;
      }
      entries.emplace_back(name, CompoundU32(&sector[entry + 0x74]));
    }
  }
  return entries;
}
