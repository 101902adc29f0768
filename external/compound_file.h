// Reading the directory of an OLE compound file (Word 97, PowerPoint 97, encrypted Office
// 2007 files): stream names and their first sectors, with damaged chains bounded.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr uint32_t kCompoundEndOfChain = 0xFFFFFFFE;

uint32_t CompoundU32(const uint8_t* p);
uint16_t CompoundU16(const uint8_t* p);

// Whether the bytes start with the compound file signature.
bool HasCompoundSignature(const std::string& head);

class CompoundFile {
 public:
  explicit CompoundFile(int fd) : fd_(fd) {}

  bool ReadHeader();
  bool ReadSector(uint32_t sector, std::vector<uint8_t>& bytes) const;
  // The next sector of a chain, through the FAT sectors the header lists (the first 109 cover
  // files up to 7 MB with small sectors and far more with large ones).
  uint32_t Next(uint32_t sector) const;
  // Directory entries as (name, first sector) pairs.
  std::vector<std::pair<std::u16string, uint32_t>> Entries() const;

 private:
  int fd_;
  std::vector<uint8_t> header_;
  size_t sectorSize_ = 512;
};
