#include "document/file_writer.h"

#include <cerrno>

#include "engine/engine_table.h"
#include "platform/file_system.h"

namespace {

int WriteBlock(FPDF_FILEWRITE* self, const void* data, unsigned long size) {
  auto* writer = reinterpret_cast<FileWriter*>(self);
  if (writer->writeFailed) return 0;
  if (!WriteAll(writer->fd, data, size)) {
    writer->writeFailed = true;
    writer->writeError = errno != 0 ? errno : EIO;
    return 0;
  }
  return 1;
}

}  // namespace

FileWriter MakeFileWriter(int fd) {
  FileWriter writer;
  writer.engineRecord.version = 1;
  writer.engineRecord.WriteBlock = WriteBlock;
  writer.fd = fd;
  return writer;
}

bool SaveDocumentToFile(FPDF_DOCUMENT document, FileWriter& writer, FPDF_DWORD flags) {
  bool saved = g_engine.FPDF_SaveAsCopy(document, &writer.engineRecord, flags) != 0;
  return saved && !writer.writeFailed;
}
