#include "document/file_writer.h"

#include <unistd.h>

#include <cerrno>

#include "document/changed_objects_copy.h"
#include "document/session.h"
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

// Writes with the given flags from the start of the file; 0 or errno.
int WriteCopy(FPDF_DOCUMENT document, int fd, FPDF_DWORD flags) {
  FileWriter writer = MakeFileWriter(fd);
  bool ok = SaveDocumentToFile(document, writer, flags);
  return writer.writeFailed ? writer.writeError : (ok ? 0 : EIO);
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


int WriteDocumentCopy(int fd) {
  FPDF_DOCUMENT document = g_session.document;
  if (g_session.engineBytes == nullptr) return WriteCopy(document, fd, kSaveNoIncremental);
  if (std::optional<int> error = WriteChangedObjectsCopy(document, *g_session.engineBytes, fd)) return *error;
  // The engine's own update follows the bytes it read, which begin with the file's own.
  if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) return errno;
  return WriteCopy(document, fd, kSaveIncremental);
}
