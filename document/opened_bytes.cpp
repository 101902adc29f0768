#include "document/opened_bytes.h"

#include <algorithm>
#include <cstring>

#include "document/private_page_resources.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"

namespace {

int ReadEngineBlock(void* param, unsigned long position, unsigned char* buffer, unsigned long size) {
  const auto& bytes = *static_cast<const EngineBytes*>(param);
  const std::string& reference = bytes.opened->reference;
  uint64_t end = uint64_t(position) + size;
  if (end < position || end > bytes.Size()) return 0;
  while (size > 0) {
    bool inReference = position < reference.size();
    const std::string& part = inReference ? reference : bytes.restored;
    uint64_t at = inReference ? position : position - reference.size();
    size_t count = size_t(std::min<uint64_t>(size, part.size() - at));
    std::memcpy(buffer, part.data() + at, count);
    buffer += count;
    position += count;
    size -= count;
  }
  return 1;
}

}  // namespace

uint64_t HashBytes(std::string_view bytes) {
  // FNV-1a over 8-byte words: fast enough for a book, and only compared with itself.
  uint64_t hash = 1469598103934665603ull;
  size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    hash = (hash ^ word) * 1099511628211ull;
  }
  for (; at < bytes.size(); ++at) hash = (hash ^ static_cast<unsigned char>(bytes[at])) * 1099511628211ull;
  return hash;
}

std::shared_ptr<OpenedPdf> PrepareOpenedPdf(std::string bytes) {
  auto opened = std::make_shared<OpenedPdf>();
  opened->baseSize = bytes.size();
  opened->baseHash = HashBytes(bytes);
  opened->reference = std::move(bytes);
  auto index = IndexPdfFile(opened->reference);
  if (!index) return opened;  // a file the engine repairs: used as it is, copied by the engine
  opened->afterBase = UpdateTargetAfter(*index);
  std::optional<std::string> update = PrivatePageResourcesUpdate(*index);
  if (!update) return opened;
  if (update->empty()) {
    opened->index = std::move(index);
    return opened;
  }
  opened->reference += *update;
  // The index is made again over the grown bytes (the string may have moved).
  opened->index = IndexPdfFile(opened->reference);
  if (!opened->index) {
    opened->reference.resize(opened->baseSize);
    opened->index = IndexPdfFile(opened->reference);
  }
  return opened;
}

std::shared_ptr<OpenedPdf> ReadOpenedPdf(const std::u16string& path) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) return nullptr;
  return PrepareOpenedPdf(std::move(*bytes));
}

std::unique_ptr<EngineBytes> BytesForEngine(std::shared_ptr<OpenedPdf> opened, std::string restored) {
  auto bytes = std::make_unique<EngineBytes>();
  bytes->opened = std::move(opened);
  bytes->restored = std::move(restored);
  bytes->access.m_FileLen = (unsigned long)bytes->Size();
  bytes->access.m_GetBlock = ReadEngineBlock;
  bytes->access.m_Param = bytes.get();
  return bytes;
}

FPDF_DOCUMENT LoadEngineDocument(EngineBytes& bytes) {
  if (g_engine.FPDF_LoadCustomDocument == nullptr) return nullptr;
  return g_engine.FPDF_LoadCustomDocument(&bytes.access, nullptr);
}

bool OpenedFileUnchanged(const OpenedPdf& opened, const std::u16string& path) {
  auto now = ReadWholeFile(path);
  return now && now->size() == opened.baseSize && HashBytes(*now) == opened.baseHash;
}
