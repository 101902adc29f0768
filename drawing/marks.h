// Drawn-object marks: the names that let the editor recognise its own page objects again
// after saving, reopening and undo. The page itself is the registry.
//
// Every operation here takes a PDF operations table (a copy of the engine table taken when
// the operation starts) and checks the entries it uses; a missing entry counts as "not found".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/engine_table.h"
#include "geometry/screen_mapping.h"

using PdfOps = PdfEngine;

// A copy of the engine table for one operation.
inline PdfOps CurrentOps() { return g_engine; }

// `Ink` marks everything else the editor draws (pen strokes, polylines, ellipses, segments and
// shapes before they are labelled): what carries none of these marks is the page's own content.
enum class MarkKind { Line, Rectangle, Triangle, Point, Ink };

const char* MarkPrefix(MarkKind kind);

// "PDFEditorLine_%08lX_%016llX_%08llX_L%u" and its kin; empty for label number 0 (lines and
// rectangles). Triangles take 0 to mean "no suffix"; points carry no label number.
std::string MakeLineMarkName(uint32_t labelNumber);
std::string MakeRectangleMarkName(uint32_t labelNumber);
std::string MakeTriangleMarkName(uint32_t labelNumber);
std::string MakePointMarkName();
std::string MakeCoordinateSystemMarkName(int halfWidth);
std::string MakeInkMarkName();

// The first mark of the kind on the object, narrowed to ASCII; nothing when absent.
std::optional<std::string> FindMark(FPDF_PAGEOBJECT object, const PdfOps& ops, MarkKind kind);
// Whether the object carries a mark with exactly this name.
bool HasMarkNamed(FPDF_PAGEOBJECT object, const PdfOps& ops, const char* name);
// Whether the editor drew the object: it carries any drawn-object mark, the coordinate
// system's included.
bool CarriesOwnMark(FPDF_PAGEOBJECT object, const PdfOps& ops);
// Adds a fresh ink mark; false when the engine cannot.
bool AddInkMark(FPDF_PAGEOBJECT object, const PdfOps& ops);
// Gives a rebuilt object every drawn-object mark of the one it replaces; false when one could
// not be added.
bool CopyOwnMarks(FPDF_PAGEOBJECT from, FPDF_PAGEOBJECT to, const PdfOps& ops);
// The number of a "CorvanCoordinateSystem_%d" mark (1 … 128), or 0.
int FindCoordinateSystem(FPDF_PAGEOBJECT object, const PdfOps& ops);
// The "_L" number of a name (a triangle without one reads its hexadecimal sequence); 0 when
// unreadable or beyond 32 bits.
uint32_t ReadLabelNumber(const std::string& name, MarkKind kind);
// 1 + the largest label number of the kind among the page's paths; 0 on failure.
uint32_t NextLabelNumber(FPDF_PAGE page, const PdfOps& ops, MarkKind kind);

struct StraightSegment {
  PagePoint start, end;             // page space, after the object's matrix
  ScreenPoint screenStart, screenEnd;  // client pixels; only when asked with the page's mapping
  bool arrow = false;
};

// A 2-segment line or a 5-segment arrow (end → wing → end → wing).
std::optional<StraightSegment> RecogniseStraightSegment(FPDF_PAGEOBJECT object, const PdfOps& ops);
// The same with its ends also as the page is shown on screen.
std::optional<StraightSegment> RecogniseStraightSegment(FPDF_PAGEOBJECT object, const PdfOps& ops,
                                                        const ScreenMapping& screen);

// The identity when the object's matrix cannot be read because the entry is missing.
bool ReadObjectMatrix(FPDF_PAGEOBJECT object, const PdfOps& ops, FS_MATRIX& matrix);
PagePoint Transform(const FS_MATRIX& m, float x, float y);
