// The bytes an opened PDF is read from. The file is read once when it is opened and the engine
// reads only these bytes afterwards: a file rewritten or truncated on disk while it is open
// (a LaTeX run, a sync tool) no longer changes what the editor shows or saves. Copies, undo
// records and the recovery state are these bytes plus an update holding what changed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "document/pdf_file_index.h"
#include "document/pdf_update.h"
#include "engine/pdfium_types.h"

struct OpenedPdf {
  // The file as read when opened, followed by the editor's private-resources update.
  std::string reference;
  uint64_t baseSize = 0;  // the file's own bytes at the start of `reference`
  uint64_t baseHash = 0;  // of those bytes: tells a file changed on disk from one only touched
  UpdateTarget afterBase;              // how an update appended to the file's own bytes begins
  std::optional<PdfFileIndex> index;   // of `reference`; nothing when the file could not be indexed
};

// What one engine document reads: the reference bytes and, after an undo, the record's update.
struct EngineBytes {
  FPDF_FILEACCESS access;  // handed to the engine, which must not outlive this record
  std::shared_ptr<OpenedPdf> opened;
  std::string restored;
  uint64_t Size() const { return opened->reference.size() + restored.size(); }
};

uint64_t HashBytes(std::string_view bytes);

// The file's bytes prepared for the engine; nothing (with errno) when it cannot be read.
std::shared_ptr<OpenedPdf> ReadOpenedPdf(const std::u16string& path);
// Bytes already in memory (a recovery state read back): the same preparation.
std::shared_ptr<OpenedPdf> PrepareOpenedPdf(std::string bytes);

std::unique_ptr<EngineBytes> BytesForEngine(std::shared_ptr<OpenedPdf> opened, std::string restored = {});
// The engine document over those bytes; nullptr as FPDF_LoadCustomDocument fails.
FPDF_DOCUMENT LoadEngineDocument(EngineBytes& bytes);

// Whether the file the document was opened from still holds the bytes that were read.
bool OpenedFileUnchanged(const OpenedPdf& opened, const std::u16string& path);
