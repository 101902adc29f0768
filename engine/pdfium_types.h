// Handle types, records and constants of the PDFium C interface as the shipped
// library defines them (no headers ship with it, so they are declared here).
#pragma once

#include <cstddef>
#include <cstdint>

struct fpdf_document_t__;
struct fpdf_page_t__;
struct fpdf_pageobject_t__;
struct fpdf_bitmap_t__;
struct fpdf_pathsegment_t__;
struct fpdf_pageobjectmark_t__;
struct fpdf_annotation_t__;
struct fpdf_textpage_t__;
struct fpdf_font_t__;
struct fpdf_clippath_t__;
struct fpdf_schhandle_t__;
struct fpdf_bookmark_t__;
struct fpdf_dest_t__;
struct fpdf_action_t__;
struct fpdf_glyphpath_t__;

using FPDF_DOCUMENT = fpdf_document_t__*;
using FPDF_PAGE = fpdf_page_t__*;
using FPDF_PAGEOBJECT = fpdf_pageobject_t__*;
using FPDF_BITMAP = fpdf_bitmap_t__*;
using FPDF_PATHSEGMENT = fpdf_pathsegment_t__*;
using FPDF_PAGEOBJECTMARK = fpdf_pageobjectmark_t__*;
using FPDF_ANNOTATION = fpdf_annotation_t__*;
using FPDF_TEXTPAGE = fpdf_textpage_t__*;
using FPDF_FONT = fpdf_font_t__*;
using FPDF_CLIPPATH = fpdf_clippath_t__*;
using FPDF_SCHHANDLE = fpdf_schhandle_t__*;
using FPDF_BOOKMARK = fpdf_bookmark_t__*;
using FPDF_DEST = fpdf_dest_t__*;
using FPDF_ACTION = fpdf_action_t__*;
using FPDF_GLYPHPATH = fpdf_glyphpath_t__*;

using FPDF_BOOL = int;
using FPDF_DWORD = unsigned long;
using FPDF_WCHAR = unsigned short;
using FPDF_WIDESTRING = const unsigned short*;

struct FPDF_FILEWRITE {
  int version;
  int (*WriteBlock)(FPDF_FILEWRITE* self, const void* data, unsigned long size);
};

struct FPDF_FILEACCESS {
  unsigned long m_FileLen;
  int (*m_GetBlock)(void* param, unsigned long position, unsigned char* buf, unsigned long size);
  void* m_Param;
};

// The question a progressive render asks between its steps.
struct IFSDK_PAUSE {
  int version;  // 1
  FPDF_BOOL (*NeedToPauseNow)(IFSDK_PAUSE* self);
  void* user;
};

// FPDF_RenderPageBitmap_Start and FPDF_RenderPage_Continue
constexpr int kRenderToBeContinued = 1;
constexpr int kRenderDone = 2;

struct FS_MATRIX {
  float a, b, c, d, e, f;
};

// Page space; note the order: top is second.
struct FS_RECTF {
  float left, top, right, bottom;
};

// One quadrilateral of a markup annotation: upper left, upper right, lower left, lower right.
struct FS_QUADPOINTSF {
  float x1, y1, x2, y2, x3, y3, x4, y4;
};

// Markup annotation subtypes and the annotation colour slot.
constexpr int kAnnotHighlight = 9;
constexpr int kAnnotUnderline = 10;
constexpr int kAnnotStrikeOut = 12;
constexpr int kAnnotColour = 0;
constexpr int kAnnotAppearanceNormal = 0;

struct FPDF_IMAGEOBJ_METADATA {
  unsigned int width;
  unsigned int height;
  float horizontal_dpi;
  float vertical_dpi;
  unsigned int bits_per_pixel;
  int colorspace;
  int marked_content_id;
};

static_assert(sizeof(FPDF_FILEWRITE) == 16);
static_assert(sizeof(FPDF_FILEACCESS) == 24);
static_assert(sizeof(FPDF_IMAGEOBJ_METADATA) == 28);
static_assert(sizeof(IFSDK_PAUSE) == 24);

// FPDF_GetLastError
constexpr unsigned long kPdfErrSuccess = 0;
constexpr unsigned long kPdfErrFormat = 3;
constexpr unsigned long kPdfErrPassword = 4;
constexpr unsigned long kPdfErrSecurity = 5;
constexpr unsigned long kPdfErrPage = 6;

// FPDF_SaveAsCopy flags (values, not bits)
constexpr FPDF_DWORD kSaveIncremental = 1;
constexpr FPDF_DWORD kSaveNoIncremental = 2;

// Bitmap formats
constexpr int kBitmapGray = 1;
constexpr int kBitmapBgr = 2;
constexpr int kBitmapBgrx = 3;
constexpr int kBitmapBgra = 4;
constexpr int kColourSpaceDeviceGrey = 1;  // FPDF_IMAGEOBJ_METADATA::colorspace

// Path fill modes (FPDFPath_SetDrawMode)
constexpr int kFillNone = 0;
constexpr int kFillAlternate = 1;
constexpr int kFillWinding = 2;

// Page object types
constexpr int kPageObjText = 1;
constexpr int kPageObjPath = 2;
constexpr int kPageObjImage = 3;
constexpr int kPageObjShading = 4;
constexpr int kPageObjForm = 5;

// Path segment types
constexpr int kSegmentLineTo = 0;
constexpr int kSegmentBezierTo = 1;
constexpr int kSegmentMoveTo = 2;

// FPDFText_FindStart flags (bits)
constexpr unsigned long kFindMatchCase = 0x1;
constexpr unsigned long kFindWholeWord = 0x2;

// FPDFAction_GetType
constexpr unsigned long kActionGoTo = 1;  // a destination in this document
