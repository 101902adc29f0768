#include "drawing/marks.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

namespace {

uint64_t g_sequence[5] = {0, 0, 0, 0, 0};

constexpr const char* kCoordinateSystemPrefix = "CorvanCoordinateSystem_";

uint64_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
}

std::string MakeName(MarkKind kind, bool withLabel, uint32_t labelNumber) {
  uint64_t sequence = ++g_sequence[int(kind)];
  char name[128];
  int written = std::snprintf(name, sizeof name, "%s%08lX_%016llX_%08llX", MarkPrefix(kind),
                              (unsigned long)getpid(), (unsigned long long)TickCount(), (unsigned long long)sequence);
  if (written <= 0 || size_t(written) >= sizeof name) return {};
  std::string result = name;
  if (withLabel) result += "_L" + std::to_string(labelNumber);
  return result;
}

bool StartsWith(std::u16string_view text, const char* prefix) {
  size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= text.size() || text[i] != char16_t(prefix[i])) return false;
  }
  return true;
}

// Narrows to 8 bits; nothing when a character is beyond ASCII.
std::optional<std::string> Narrow(std::u16string_view text) {
  std::string narrow(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] > 127) return std::nullopt;
    narrow[i] = char(text[i]);
  }
  return narrow;
}

// Hands each readable mark name (UTF-16, up to its first NUL) to `match` until it returns
// true. Names of the editor's own marks fit the stack buffer, so one engine call and no
// allocation usually do: a page walk reads thousands of them.
template <typename Match>
void ScanMarks(FPDF_PAGEOBJECT object, const PdfOps& ops, Match match) {
  if (object == nullptr || ops.FPDFPageObj_CountMarks == nullptr || ops.FPDFPageObj_GetMark == nullptr ||
      ops.FPDFPageObjMark_GetName == nullptr) {
    return;
  }
  char16_t small[128];
  std::u16string large;
  int count = ops.FPDFPageObj_CountMarks(object);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECTMARK mark = ops.FPDFPageObj_GetMark(object, (unsigned long)i);
    if (mark == nullptr) continue;
    unsigned long needed = 0;
    if (!ops.FPDFPageObjMark_GetName(mark, reinterpret_cast<FPDF_WCHAR*>(small), sizeof small, &needed) ||
        needed < 2 || needed % 2 != 0) {
      continue;
    }
    std::u16string_view units(small, std::min<size_t>(needed, sizeof small) / 2);
    if (needed > sizeof small) {
      large.assign(needed / 2, u'\0');
      unsigned long got = 0;
      if (!ops.FPDFPageObjMark_GetName(mark, reinterpret_cast<FPDF_WCHAR*>(large.data()), needed, &got) ||
          got > needed) {
        continue;
      }
      units = large;
    }
    if (match(units.substr(0, units.find(u'\0')))) return;
  }
}

// Digits in the given base after `from`, accumulated in 32 bits; 0 on anything else.
uint32_t ParseNumber(const std::string& text, size_t from, int base) {
  if (from >= text.size()) return 0;
  uint64_t value = 0;
  for (size_t i = from; i < text.size(); ++i) {
    char c = text[i];
    int digit = (c >= '0' && c <= '9') ? c - '0'
                : (base == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10
                : (base == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
                                                        : -1;
    if (digit < 0) return 0;
    value = value * uint64_t(base) + uint64_t(digit);
    if (value > 0xFFFFFFFFull) return 0;
  }
  return uint32_t(value);
}

}  // namespace

const char* MarkPrefix(MarkKind kind) {
  switch (kind) {
    case MarkKind::Line:
      return "PDFEditorLine_";
    case MarkKind::Rectangle:
      return "PDFEditorRectangle_";
    case MarkKind::Triangle:
      return "PDFEditorTriangle_";
    case MarkKind::Ink:
      return "PDFEditorInk_";
    default:
      return "PDFEditorPoint_";
  }
}

std::string MakeLineMarkName(uint32_t labelNumber) {
  return labelNumber == 0 ? std::string() : MakeName(MarkKind::Line, true, labelNumber);
}

std::string MakeRectangleMarkName(uint32_t labelNumber) {
  return labelNumber == 0 ? std::string() : MakeName(MarkKind::Rectangle, true, labelNumber);
}

std::string MakeTriangleMarkName(uint32_t labelNumber) {
  return MakeName(MarkKind::Triangle, labelNumber != 0, labelNumber);
}

std::string MakePointMarkName() { return MakeName(MarkKind::Point, false, 0); }

std::string MakeCoordinateSystemMarkName(int halfWidth) { return kCoordinateSystemPrefix + std::to_string(halfWidth); }

std::string MakeInkMarkName() { return MakeName(MarkKind::Ink, false, 0); }

std::optional<std::string> FindMark(FPDF_PAGEOBJECT object, const PdfOps& ops, MarkKind kind) {
  std::optional<std::string> found;
  ScanMarks(object, ops, [&](std::u16string_view name) {
    if (!StartsWith(name, MarkPrefix(kind))) return false;
    found = Narrow(name);  // a first match beyond ASCII leaves the object unmarked
    return true;
  });
  return found;
}

namespace {

bool IsOwnMarkName(std::u16string_view name) {
  for (MarkKind kind : {MarkKind::Line, MarkKind::Rectangle, MarkKind::Triangle, MarkKind::Point, MarkKind::Ink}) {
    if (StartsWith(name, MarkPrefix(kind))) return true;
  }
  return StartsWith(name, kCoordinateSystemPrefix);
}

}  // namespace

bool CarriesOwnMark(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  bool own = false;
  ScanMarks(object, ops, [&](std::u16string_view name) {
    own = IsOwnMarkName(name) && Narrow(name).has_value();
    return own;
  });
  return own;
}

bool AddInkMark(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  std::string name = MakeInkMarkName();
  return object != nullptr && !name.empty() && ops.FPDFPageObj_AddMark != nullptr &&
         ops.FPDFPageObj_AddMark(object, name.c_str()) != nullptr;
}

bool CopyOwnMarks(FPDF_PAGEOBJECT from, FPDF_PAGEOBJECT to, const PdfOps& ops) {
  std::vector<std::string> names;
  ScanMarks(from, ops, [&](std::u16string_view name) {
    if (IsOwnMarkName(name)) {
      if (auto narrow = Narrow(name)) names.push_back(*narrow);
    }
    return false;
  });
  for (const std::string& name : names) {
    if (ops.FPDFPageObj_AddMark == nullptr || ops.FPDFPageObj_AddMark(to, name.c_str()) == nullptr) return false;
  }
  return true;
}

bool HasMarkNamed(FPDF_PAGEOBJECT object, const PdfOps& ops, const char* name) {
  bool found = false;
  ScanMarks(object, ops, [&](std::u16string_view candidate) {
    found = candidate.size() == std::char_traits<char>::length(name) && StartsWith(candidate, name);
    return found;
  });
  return found;
}

int FindCoordinateSystem(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  int number = 0;
  ScanMarks(object, ops, [&](std::u16string_view name) {
    const std::string prefix = kCoordinateSystemPrefix;
    if (!StartsWith(name, prefix.c_str()) || name.size() == prefix.size()) return false;
    int value = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
      if (name[i] < u'0' || name[i] > u'9' || value > 12) return false;
      value = value * 10 + int(name[i] - u'0');
    }
    if (value < 1 || value > 128) return false;
    number = value;
    return true;
  });
  return number;
}

uint32_t ReadLabelNumber(const std::string& name, MarkKind kind) {
  size_t at = name.rfind("_L");
  if (at != std::string::npos) return ParseNumber(name, at + 2, 10);
  if (kind != MarkKind::Triangle) return 0;
  size_t underscore = name.rfind('_');
  return underscore == std::string::npos ? 0 : ParseNumber(name, underscore + 1, 16);
}

uint32_t NextLabelNumber(FPDF_PAGE page, const PdfOps& ops, MarkKind kind) {
  if (page == nullptr || ops.FPDFPage_CountObjects == nullptr || ops.FPDFPage_GetObject == nullptr ||
      ops.FPDFPageObj_GetType == nullptr || ops.FPDFPageObj_CountMarks == nullptr || ops.FPDFPageObj_GetMark == nullptr ||
      ops.FPDFPageObjMark_GetName == nullptr) {
    return 0;
  }
  uint32_t largest = 0;
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjPath) continue;
    auto name = FindMark(object, ops, kind);
    if (name) largest = std::max(largest, ReadLabelNumber(*name, kind));
  }
  return largest == 0xFFFFFFFFu ? 0 : largest + 1;
}

bool ReadObjectMatrix(FPDF_PAGEOBJECT object, const PdfOps& ops, FS_MATRIX& matrix) {
  matrix = {1, 0, 0, 1, 0, 0};
  if (ops.FPDFPageObj_GetMatrix == nullptr) return true;
  return ops.FPDFPageObj_GetMatrix(object, &matrix) != 0;
}

PagePoint Transform(const FS_MATRIX& m, float x, float y) { return {m.a * x + m.c * y + m.e, m.b * x + m.d * y + m.f}; }

std::optional<StraightSegment> RecogniseStraightSegment(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (object == nullptr || ops.FPDFPageObj_GetType == nullptr || ops.FPDFPath_CountSegments == nullptr ||
      ops.FPDFPath_GetPathSegment == nullptr || ops.FPDFPathSegment_GetPoint == nullptr ||
      ops.FPDFPathSegment_GetType == nullptr || ops.FPDFPathSegment_GetClose == nullptr) {
    return std::nullopt;
  }
  if (ops.FPDFPageObj_GetType(object) != kPageObjPath) return std::nullopt;
  int count = ops.FPDFPath_CountSegments(object);
  if (count != 2 && count != 5) return std::nullopt;
  FS_MATRIX matrix;
  if (!ReadObjectMatrix(object, ops, matrix)) return std::nullopt;
  std::vector<PagePoint> points;
  for (int i = 0; i < count; ++i) {
    FPDF_PATHSEGMENT segment = ops.FPDFPath_GetPathSegment(object, i);
    if (segment == nullptr || ops.FPDFPathSegment_GetClose(segment)) return std::nullopt;
    int type = ops.FPDFPathSegment_GetType(segment);
    if (type != (i == 0 ? kSegmentMoveTo : kSegmentLineTo)) return std::nullopt;
    PagePoint p;
    if (!ops.FPDFPathSegment_GetPoint(segment, &p.x, &p.y)) return std::nullopt;
    points.push_back(p);
  }
  if (count == 5 && (std::fabs(points[3].x - points[1].x) > 0.01f || std::fabs(points[3].y - points[1].y) > 0.01f)) {
    return std::nullopt;
  }
  StraightSegment result;
  result.start = Transform(matrix, points[0].x, points[0].y);
  result.end = Transform(matrix, points[1].x, points[1].y);
  result.arrow = count == 5;
  for (const PagePoint* p : {&result.start, &result.end}) {
    if (!std::isfinite(p->x) || !std::isfinite(p->y)) return std::nullopt;
  }
  return result;
}

std::optional<StraightSegment> RecogniseStraightSegment(FPDF_PAGEOBJECT object, const PdfOps& ops,
                                                        const ScreenMapping& screen) {
  auto result = RecogniseStraightSegment(object, ops);
  if (!result) return std::nullopt;
  float sx, sy, ex, ey;
  MapToScreen(screen, result->start.x, result->start.y, sx, sy);
  MapToScreen(screen, result->end.x, result->end.y, ex, ey);
  if (!std::isfinite(sx) || !std::isfinite(sy) || !std::isfinite(ex) || !std::isfinite(ey)) return std::nullopt;
  result->screenStart = {int(std::lround(sx)), int(std::lround(sy))};
  result->screenEnd = {int(std::lround(ex)), int(std::lround(ey))};
  return result;
}
