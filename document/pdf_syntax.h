// PDF object syntax, read and written by the editor itself: the engine can neither say which
// objects an edit changed nor give a page resources of its own, so the few places that need it
// (small copies, undo records, private page resources) read the file's objects here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct PdfValue {
  // Verbatim: `text` is already PDF syntax, written as it is (never read back as such).
  enum class Kind { Null, Boolean, Number, String, Name, Array, Dictionary, Reference, Stream, Verbatim };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;  // a number as written, a string's bytes, a name without its slash (#xx decoded)
  uint32_t objectNumber = 0;  // references
  uint32_t generation = 0;
  std::vector<PdfValue> items;                             // arrays
  std::vector<std::pair<std::string, PdfValue>> entries;   // dictionaries and streams, as written
  std::string_view streamData;                             // streams: the raw (still encoded) bytes

  bool Is(Kind k) const { return kind == k; }
  bool IsDictionaryLike() const { return kind == Kind::Dictionary || kind == Kind::Stream; }
  // The value under `key` in a dictionary or a stream's dictionary; nullptr when absent.
  const PdfValue* Find(std::string_view key) const;
  PdfValue* Find(std::string_view key);
  void Set(const std::string& key, PdfValue value);
};

// One indirect object as it stands in a file: "N G obj" value ["stream" data] "endobj".
struct PdfIndirect {
  uint32_t number = 0;
  uint32_t generation = 0;
  PdfValue value;
};

// Reads from `at`; `at` moves past what was read. Nothing when the text is not PDF syntax.
// Streams need their length: `resolveLength` gives the value of an indirect /Length.
std::optional<PdfValue> ParsePdfValue(std::string_view text, size_t& at);
std::optional<PdfIndirect> ParseIndirectObject(std::string_view text, size_t at,
                                               std::optional<uint64_t> (*resolveLength)(void*, uint32_t) = nullptr,
                                               void* context = nullptr);

// Written back as PDF: numbers as they were written, strings in hex.
std::string WritePdfValue(const PdfValue& value);
std::string WriteIndirectObject(uint32_t number, uint32_t generation, const PdfValue& value);
// A form that two writers agree on for the same meaning: keys sorted, numbers rounded, /Length
// left out, strings as bytes. Stream data is compared as it is stored.
std::string CanonicalForm(const PdfValue& value);
// The same meaning: canonical forms alike, stream data compared where it lies (a scan's
// picture is not copied to be compared).
bool SameMeaning(const PdfValue& a, const PdfValue& b);

PdfValue PdfName(std::string name);
PdfValue PdfNumber(uint64_t number);
PdfValue PdfReference(uint32_t number, uint32_t generation);

bool IsPdfWhiteSpace(char c);
