#include "document/pdf_file_index.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

constexpr size_t kMaxDecodedBytes = size_t(512) << 20;  // a stream bigger than this is not ours to read

std::optional<std::string> Inflate(std::string_view data) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return std::nullopt;
  std::string out;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = uInt(data.size());
  char buffer[65536];
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - stream.avail_out);
    if (out.size() > kMaxDecodedBytes) result = Z_MEM_ERROR;
    if (result == Z_BUF_ERROR && stream.avail_in == 0) result = Z_STREAM_END;  // truncated but usable
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END) return std::nullopt;
  return out;
}

// PNG predictors (10–15), the only kind cross-reference streams use.
std::optional<std::string> UndoPngPredictor(const std::string& data, int columns, int colors, int bits) {
  size_t bytesPerPixel = size_t(std::max(1, colors * bits / 8));
  size_t rowBytes = size_t((columns * colors * bits + 7) / 8);
  if (rowBytes == 0) return std::nullopt;
  std::string out;
  std::vector<unsigned char> previous(rowBytes, 0), row(rowBytes);
  for (size_t at = 0; at + rowBytes + 1 <= data.size(); at += rowBytes + 1) {
    int type = static_cast<unsigned char>(data[at]);
    for (size_t i = 0; i < rowBytes; ++i) {
      unsigned char raw = static_cast<unsigned char>(data[at + 1 + i]);
      unsigned char left = i >= bytesPerPixel ? row[i - bytesPerPixel] : 0;
      unsigned char up = previous[i];
      unsigned char upLeft = i >= bytesPerPixel ? previous[i - bytesPerPixel] : 0;
      switch (type) {
        case 0: row[i] = raw; break;
        case 1: row[i] = raw + left; break;
        case 2: row[i] = raw + up; break;
        case 3: row[i] = raw + (left + up) / 2; break;
        case 4: {
          int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
          row[i] = raw + (pa <= pb && pa <= pc ? left : (pb <= pc ? up : upLeft));
          break;
        }
        default: return std::nullopt;
      }
    }
    out.append(reinterpret_cast<const char*>(row.data()), rowBytes);
    previous = row;
  }
  return out;
}

int IntegerOf(const PdfValue* value, int fallback) {
  return value != nullptr && value->Is(PdfValue::Kind::Number) ? int(value->number) : fallback;
}

std::optional<uint64_t> ResolveLength(void* context, uint32_t number) {
  auto& index = *static_cast<PdfFileIndex*>(context);
  auto place = index.places.find(number);
  if (place == index.places.end() || place->second.packed || place->second.offset < index.origin) return std::nullopt;
  auto object = ParseIndirectObject(index.bytes, size_t(place->second.offset - index.origin));
  if (!object || !object->value.Is(PdfValue::Kind::Number) || object->value.number < 0) return std::nullopt;
  return uint64_t(object->value.number);
}

uint64_t FieldAt(const std::string& data, size_t at, int width) {
  uint64_t value = 0;
  for (int b = 0; b < width; ++b) value = value << 8 | static_cast<unsigned char>(data[at + size_t(b)]);
  return value;
}

bool ReadTableSection(PdfFileIndex& index, size_t& at, PdfValue& trailer) {
  std::string_view text = index.bytes;
  at += 4;  // "xref"
  for (;;) {
    size_t look = at;
    auto first = ParsePdfValue(text, look);
    if (!first) {
      // "trailer" is a keyword, not a value
      while (at < text.size() && IsPdfWhiteSpace(text[at])) ++at;
      if (text.substr(at, 7) != "trailer") return false;
      at += 7;
      auto dictionary = ParsePdfValue(text, at);
      if (!dictionary || !dictionary->Is(PdfValue::Kind::Dictionary)) return false;
      trailer = std::move(*dictionary);
      return true;
    }
    auto count = ParsePdfValue(text, look);
    if (!first->Is(PdfValue::Kind::Number) || !count || !count->Is(PdfValue::Kind::Number)) return false;
    at = look;
    uint64_t start = uint64_t(first->number), entries = uint64_t(count->number);
    if (entries > 10'000'000) return false;
    for (uint64_t i = 0; i < entries; ++i) {
      while (at < text.size() && IsPdfWhiteSpace(text[at])) ++at;
      if (at + 18 > text.size()) return false;
      uint64_t offset = std::strtoull(std::string(text.substr(at, 10)).c_str(), nullptr, 10);
      uint32_t generation = uint32_t(std::strtoul(std::string(text.substr(at + 11, 5)).c_str(), nullptr, 10));
      char kind = text[at + 17];
      at += 18;
      uint32_t number = uint32_t(start + i);
      if (index.places.count(number) != 0) continue;  // a newer section already said
      PdfObjectPlace place;
      place.offset = kind == 'n' ? offset : 0;
      place.generation = generation;
      if (kind != 'n') place.offset = UINT64_MAX;  // free
      index.places[number] = place;
    }
  }
}

bool ReadStreamSection(PdfFileIndex& index, size_t at, PdfValue& trailer) {
  auto object = ParseIndirectObject(index.bytes, at, ResolveLength, &index);
  if (!object || !object->value.Is(PdfValue::Kind::Stream)) return false;
  auto data = DecodeStream(index, object->value);
  if (!data) return false;
  const PdfValue* widths = object->value.Find("W");
  if (widths == nullptr || !widths->Is(PdfValue::Kind::Array) || widths->items.size() != 3) return false;
  int w[3];
  for (int i = 0; i < 3; ++i) {
    w[i] = IntegerOf(&widths->items[size_t(i)], -1);
    if (w[i] < 0 || w[i] > 8) return false;
  }
  size_t entryBytes = size_t(w[0] + w[1] + w[2]);
  if (entryBytes == 0) return false;
  std::vector<uint64_t> ranges;
  if (const PdfValue* given = object->value.Find("Index"); given != nullptr && given->Is(PdfValue::Kind::Array)) {
    for (const auto& item : given->items) ranges.push_back(uint64_t(std::max(0.0, item.number)));
  } else {
    ranges = {0, uint64_t(IntegerOf(object->value.Find("Size"), 0))};
  }
  size_t at2 = 0;
  for (size_t r = 0; r + 1 < ranges.size(); r += 2) {
    for (uint64_t i = 0; i < ranges[r + 1]; ++i, at2 += entryBytes) {
      if (at2 + entryBytes > data->size()) return false;
      uint64_t type = w[0] == 0 ? 1 : FieldAt(*data, at2, w[0]);
      uint64_t second = FieldAt(*data, at2 + size_t(w[0]), w[1]);
      uint64_t third = FieldAt(*data, at2 + size_t(w[0] + w[1]), w[2]);
      uint32_t number = uint32_t(ranges[r] + i);
      if (index.places.count(number) != 0) continue;
      PdfObjectPlace place;
      if (type == 1) {
        place.offset = second;
        place.generation = uint32_t(third);
      } else if (type == 2) {
        place.packed = true;
        place.stream = uint32_t(second);
        place.index = uint32_t(third);
      } else {
        place.offset = UINT64_MAX;
      }
      index.places[number] = place;
    }
  }
  trailer = std::move(object->value);
  trailer.kind = PdfValue::Kind::Dictionary;
  trailer.streamData = {};
  return true;
}

std::optional<uint64_t> LastStartXref(std::string_view bytes) {
  size_t from = bytes.size() > 2048 ? bytes.size() - 2048 : 0;
  size_t mark = bytes.rfind("startxref");
  if (mark == std::string_view::npos || mark < from) return std::nullopt;
  size_t at = mark + 9;
  auto offset = ParsePdfValue(bytes, at);
  if (!offset || !offset->Is(PdfValue::Kind::Number) || offset->number < 0) return std::nullopt;
  return uint64_t(offset->number);
}

}  // namespace

std::optional<std::string> DecodeStream(PdfFileIndex& index, const PdfValue& stream) {
  auto filter = Resolve(index, stream.Find("Filter") ? *stream.Find("Filter") : PdfValue{});
  if (!filter || filter->Is(PdfValue::Kind::Null)) return std::string(stream.streamData);
  const PdfValue* name = filter->Is(PdfValue::Kind::Array) ? (filter->items.size() == 1 ? &filter->items[0] : nullptr)
                                                           : &*filter;
  if (name == nullptr || !name->Is(PdfValue::Kind::Name) || name->text != "FlateDecode") return std::nullopt;
  auto data = Inflate(stream.streamData);
  if (!data) return std::nullopt;
  const PdfValue* parms = stream.Find("DecodeParms");
  if (parms != nullptr && parms->Is(PdfValue::Kind::Array)) parms = parms->items.size() == 1 ? &parms->items[0] : nullptr;
  int predictor = parms != nullptr && parms->Is(PdfValue::Kind::Dictionary) ? IntegerOf(parms->Find("Predictor"), 1) : 1;
  if (predictor <= 1) return data;
  if (predictor < 10) return std::nullopt;  // TIFF predictor: not in files the editor reads this way
  return UndoPngPredictor(*data, IntegerOf(parms->Find("Columns"), 1), IntegerOf(parms->Find("Colors"), 1),
                          IntegerOf(parms->Find("BitsPerComponent"), 8));
}

std::optional<PdfFileIndex> IndexPdfFile(std::string_view bytes, uint64_t origin) {
  PdfFileIndex index;
  index.bytes = bytes;
  index.origin = origin;
  auto start = LastStartXref(bytes);
  if (!start) return std::nullopt;
  index.lastSection = *start;
  std::set<uint64_t> seen;
  std::optional<uint64_t> section = start;
  bool newest = true;
  while (section && *section >= origin) {
    *section -= origin;
    if (*section >= bytes.size() || !seen.insert(*section).second || seen.size() > 4096) return std::nullopt;
    size_t at = size_t(*section);
    while (at < bytes.size() && IsPdfWhiteSpace(bytes[at])) ++at;
    PdfValue trailer;
    bool isTable = bytes.substr(at, 4) == "xref";
    if (isTable ? !ReadTableSection(index, at, trailer) : !ReadStreamSection(index, at, trailer)) return std::nullopt;
    if (isTable) {
      // A file updated by a writer that knows streams: the table's objects in a stream too.
      if (const PdfValue* hybrid = trailer.Find("XRefStm"); hybrid != nullptr && hybrid->Is(PdfValue::Kind::Number)) {
        PdfValue ignored;
        if (hybrid->number < double(origin) || !ReadStreamSection(index, size_t(hybrid->number - double(origin)), ignored)) {
          return std::nullopt;
        }
      }
    }
    if (newest) {
      index.trailer = trailer;
      index.lastSectionIsStream = !isTable;
      index.size = uint32_t(IntegerOf(trailer.Find("Size"), 0));
      newest = false;
    }
    const PdfValue* previous = trailer.Find("Prev");
    section.reset();
    if (previous != nullptr && previous->Is(PdfValue::Kind::Number) && previous->number >= 0) section = uint64_t(previous->number);
  }
  return index;
}

std::optional<PdfIndirect> ReadIndexedObject(PdfFileIndex& index, uint32_t number) {
  auto found = index.places.find(number);
  if (found == index.places.end() || found->second.offset == UINT64_MAX) return std::nullopt;
  const PdfObjectPlace& place = found->second;
  if (!place.packed) {
    if (place.offset < index.origin) return std::nullopt;
    auto object = ParseIndirectObject(index.bytes, size_t(place.offset - index.origin), ResolveLength, &index);
    if (!object || object->number != number) return std::nullopt;
    return object;
  }
  auto& decoded = index.decodedStreams[place.stream];
  if (!decoded) {
    auto holder = index.places.find(place.stream);
    if (holder == index.places.end() || holder->second.packed || holder->second.offset < index.origin) return std::nullopt;
    auto stream = ParseIndirectObject(index.bytes, size_t(holder->second.offset - index.origin), ResolveLength, &index);
    if (!stream || !stream->value.Is(PdfValue::Kind::Stream)) return std::nullopt;
    auto data = DecodeStream(index, stream->value);
    if (!data) return std::nullopt;
    // The numbers and offsets header, then the objects; the offsets count from /First.
    int count = IntegerOf(stream->value.Find("N"), 0), first = IntegerOf(stream->value.Find("First"), 0);
    auto parsed = std::make_shared<PdfFileIndex::ObjectStream>();
    parsed->data = std::move(*data);
    size_t at = 0;
    for (int i = 0; i < count; ++i) {
      auto objectNumber = ParsePdfValue(parsed->data, at);
      auto offset = ParsePdfValue(parsed->data, at);
      if (!objectNumber || !offset || !objectNumber->Is(PdfValue::Kind::Number) || offset->number < 0) break;
      parsed->objects.push_back({uint32_t(objectNumber->number), size_t(first) + size_t(offset->number)});
    }
    decoded = std::move(parsed);
  }
  if (place.index >= decoded->objects.size() || decoded->objects[place.index].first != number) return std::nullopt;
  size_t valueAt = decoded->objects[place.index].second;
  if (valueAt >= decoded->data.size()) return std::nullopt;
  auto value = ParsePdfValue(decoded->data, valueAt);
  if (!value) return std::nullopt;
  PdfIndirect object;
  object.number = number;
  object.value = std::move(*value);
  return object;
}

std::optional<PdfValue> Resolve(PdfFileIndex& index, const PdfValue& value) {
  if (!value.Is(PdfValue::Kind::Reference)) return value;
  auto object = ReadIndexedObject(index, value.objectNumber);
  if (!object) return PdfValue{};  // a missing object is null
  return std::move(object->value);
}
