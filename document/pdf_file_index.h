// Where each object of a PDF file's bytes stands: the cross-reference sections (tables and
// streams, newest first through /Prev) and objects packed into object streams.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/pdf_syntax.h"

struct PdfObjectPlace {
  bool packed = false;       // in an object stream
  uint64_t offset = 0;       // plain: where "N G obj" begins
  uint32_t generation = 0;   // plain
  uint32_t stream = 0;       // packed: the object stream's number
  uint32_t index = 0;        // packed: the place within it
};

struct PdfFileIndex {
  std::string_view bytes;  // must outlive the index
  uint64_t origin = 0;      // the file position of bytes[0]: an update read without what it follows
  std::map<uint32_t, PdfObjectPlace> places;
  PdfValue trailer;         // the newest trailer dictionary (of a table or a stream)
  uint64_t lastSection = 0; // offset of the newest cross-reference section ("startxref")
  bool lastSectionIsStream = false;
  uint32_t size = 0;        // /Size of the newest section
  // Decoded object streams, by number, read once: their data and where each object begins.
  struct ObjectStream {
    std::string data;
    std::vector<std::pair<uint32_t, size_t>> objects;  // number, position in data
  };
  std::map<uint32_t, std::shared_ptr<ObjectStream>> decodedStreams;
};

// Nothing when the bytes have no cross-reference the editor can follow (a damaged file the
// engine repairs on its own); such files are still opened, only not copied object by object.
// `origin` > 0 reads an update section alone: sections before it are not followed.
std::optional<PdfFileIndex> IndexPdfFile(std::string_view bytes, uint64_t origin = 0);

// The object as it is in the file; nothing when absent, free or unreadable.
std::optional<PdfIndirect> ReadIndexedObject(PdfFileIndex& index, uint32_t number);
// A reference followed to its value; other values as they are.
std::optional<PdfValue> Resolve(PdfFileIndex& index, const PdfValue& value);

// Stream data with its filters undone, for the filters the editor reads (Flate with PNG
// predictors); nothing for any other filter.
std::optional<std::string> DecodeStream(PdfFileIndex& index, const PdfValue& stream);
