#include "document/pdf_update.h"

#include <algorithm>
#include <cstdio>
#include <vector>

std::string WriteUpdate(const std::map<uint32_t, UpdateObject>& objects, const UpdateTarget& target, PdfValue trailer) {
  std::string out = target.lastByte == '\n' || target.lastByte == '\r' ? "" : "\n";
  std::map<uint32_t, std::pair<uint64_t, uint32_t>> offsets;  // number → offset, generation
  uint32_t nextNumber = target.size;
  for (const auto& [number, object] : objects) {
    offsets[number] = {target.fileSize + out.size(), object.generation};
    out += WriteIndirectObject(number, object.generation, object.value);
    nextNumber = std::max(nextNumber, number + 1);
  }
  uint64_t sectionOffset = target.fileSize + out.size();
  uint32_t streamNumber = nextNumber;
  if (target.asStream) offsets[streamNumber] = {sectionOffset, 0};
  uint32_t size = target.asStream ? streamNumber + 1 : nextNumber;

  // Runs of consecutive numbers: "first count" pairs.
  std::vector<std::pair<uint32_t, uint32_t>> runs;
  for (const auto& [number, place] : offsets) {
    if (!runs.empty() && runs.back().first + runs.back().second == number) {
      ++runs.back().second;
    } else {
      runs.push_back({number, 1});
    }
  }
  trailer.Set("Size", PdfNumber(size));
  trailer.Set("Prev", PdfNumber(target.previousSection));
  if (!target.asStream) {
    out += "xref\n";
    for (const auto& [first, count] : runs) {
      out += std::to_string(first) + " " + std::to_string(count) + "\n";
      for (uint32_t number = first; number < first + count; ++number) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010llu %05u n\r\n", (unsigned long long)offsets.at(number).first,
                      unsigned(offsets.at(number).second % 65536));
        out += entry;
      }
    }
    out += "trailer\n" + WritePdfValue(trailer) + "\n";
  } else {
    int offsetBytes = sectionOffset >> 32 == 0 ? 4 : 8;
    std::string data;
    for (const auto& [number, place] : offsets) {
      data += char(1);
      for (int b = offsetBytes - 1; b >= 0; --b) data += char((place.first >> (8 * b)) & 0xFF);
      data += char((place.second >> 8) & 0xFF);
      data += char(place.second & 0xFF);
    }
    PdfValue index;
    index.kind = PdfValue::Kind::Array;
    for (const auto& [first, count] : runs) {
      index.items.push_back(PdfNumber(first));
      index.items.push_back(PdfNumber(count));
    }
    PdfValue widths;
    widths.kind = PdfValue::Kind::Array;
    widths.items = {PdfNumber(1), PdfNumber(uint64_t(offsetBytes)), PdfNumber(2)};
    PdfValue stream = trailer;
    stream.kind = PdfValue::Kind::Stream;
    stream.Set("Type", PdfName("XRef"));
    stream.Set("W", widths);
    stream.Set("Index", index);
    stream.streamData = data;
    out += WriteIndirectObject(streamNumber, 0, stream);
  }
  return out + "startxref\n" + std::to_string(sectionOffset) + "\n%%EOF\n";
}
