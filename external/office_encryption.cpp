#include "external/office_encryption.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "external/compound_file.h"
#include "platform/text_encoding.h"

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
      if (name == u"WordDocument" && file.ReadSector(start, fib) && (CompoundU16(&fib[0x0A]) & 0x0100) != 0) encrypted = true;
    }
  }
  close(fd);
  return encrypted;
}
