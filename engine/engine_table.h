// The process-wide table of PDFium entry points. Filled once at start-up, read-only after.
// An empty optional slot means the running library lacks that capability; every feature
// checks its slots before use.
#pragma once

#include "engine/pdfium_types.h"

// X(slot, symbol, required, return type, parameter list) in resolution order.
#define CORVAN_ENGINE_ENTRY_POINTS(X)                                                            \
  X(FPDF_InitLibrary, "FPDF_InitLibrary", true, void, ())                                        \
  X(FPDF_DestroyLibrary, "FPDF_DestroyLibrary", true, void, ())                                  \
  X(FPDF_LoadDocument, "FPDF_LoadDocument", true, FPDF_DOCUMENT, (const char*, const char*))     \
  X(FPDF_LoadCustomDocument, "FPDF_LoadCustomDocument", false, FPDF_DOCUMENT,                    \
    (FPDF_FILEACCESS*, const char*))                                                             \
  X(FPDF_CreateNewDocument, "FPDF_CreateNewDocument", true, FPDF_DOCUMENT, ())                   \
  X(FPDF_CloseDocument, "FPDF_CloseDocument", true, void, (FPDF_DOCUMENT))                       \
  X(FPDF_GetLastError, "FPDF_GetLastError", true, unsigned long, ())                             \
  X(FPDF_GetPageCount, "FPDF_GetPageCount", true, int, (FPDF_DOCUMENT))                          \
  X(FPDF_LoadPage, "FPDF_LoadPage", true, FPDF_PAGE, (FPDF_DOCUMENT, int))                       \
  X(FPDFPage_New, "FPDFPage_New", true, FPDF_PAGE, (FPDF_DOCUMENT, int, double, double))         \
  X(FPDFPage_Delete, "FPDFPage_Delete", false, void, (FPDF_DOCUMENT, int))                       \
  X(FPDF_ClosePage, "FPDF_ClosePage", true, void, (FPDF_PAGE))                                   \
  X(FPDF_GetPageWidthF, "FPDF_GetPageWidthF", true, float, (FPDF_PAGE))                          \
  X(FPDF_GetPageHeightF, "FPDF_GetPageHeightF", true, float, (FPDF_PAGE))                        \
  X(FPDFPage_GetRotation, "FPDFPage_GetRotation", true, int, (FPDF_PAGE))                        \
  X(FPDFPage_SetRotation, "FPDFPage_SetRotation", true, void, (FPDF_PAGE, int))                  \
  X(FPDF_MovePages, "FPDF_MovePages", false, FPDF_BOOL,                                          \
    (FPDF_DOCUMENT, const int*, unsigned long, int))                                             \
  X(FPDFBitmap_CreateEx, "FPDFBitmap_CreateEx", true, FPDF_BITMAP, (int, int, int, void*, int))  \
  X(FPDFBitmap_FillRect, "FPDFBitmap_FillRect", true, FPDF_BOOL,                                 \
    (FPDF_BITMAP, int, int, int, int, FPDF_DWORD))                                               \
  X(FPDFBitmap_GetBuffer, "FPDFBitmap_GetBuffer", true, void*, (FPDF_BITMAP))                    \
  X(FPDFBitmap_GetWidth, "FPDFBitmap_GetWidth", false, int, (FPDF_BITMAP))                       \
  X(FPDFBitmap_GetHeight, "FPDFBitmap_GetHeight", false, int, (FPDF_BITMAP))                     \
  X(FPDFBitmap_GetFormat, "FPDFBitmap_GetFormat", false, int, (FPDF_BITMAP))                     \
  X(FPDFBitmap_GetStride, "FPDFBitmap_GetStride", true, int, (FPDF_BITMAP))                      \
  X(FPDFBitmap_Destroy, "FPDFBitmap_Destroy", true, void, (FPDF_BITMAP))                         \
  X(FPDF_RenderPageBitmap, "FPDF_RenderPageBitmap", true, void,                                  \
    (FPDF_BITMAP, FPDF_PAGE, int, int, int, int, int, int))                                      \
  X(FPDF_RenderPageBitmap_Start, "FPDF_RenderPageBitmap_Start", false, int,                     \
    (FPDF_BITMAP, FPDF_PAGE, int, int, int, int, int, int, IFSDK_PAUSE*))                        \
  X(FPDF_RenderPage_Continue, "FPDF_RenderPage_Continue", false, int, (FPDF_PAGE, IFSDK_PAUSE*)) \
  X(FPDF_RenderPage_Close, "FPDF_RenderPage_Close", false, void, (FPDF_PAGE))                    \
  X(FPDFPageObj_CreateNewPath, "FPDFPageObj_CreateNewPath", true, FPDF_PAGEOBJECT, (float, float)) \
  X(FPDFPath_MoveTo, "FPDFPath_MoveTo", false, FPDF_BOOL, (FPDF_PAGEOBJECT, float, float))       \
  X(FPDFPath_LineTo, "FPDFPath_LineTo", true, FPDF_BOOL, (FPDF_PAGEOBJECT, float, float))        \
  X(FPDFPageObj_SetStrokeColor, "FPDFPageObj_SetStrokeColor", true, FPDF_BOOL,                   \
    (FPDF_PAGEOBJECT, unsigned, unsigned, unsigned, unsigned))                                   \
  X(FPDFPageObj_GetStrokeColor, "FPDFPageObj_GetStrokeColor", true, FPDF_BOOL,                   \
    (FPDF_PAGEOBJECT, unsigned*, unsigned*, unsigned*, unsigned*))                               \
  X(FPDFPageObj_SetStrokeWidth, "FPDFPageObj_SetStrokeWidth", true, FPDF_BOOL,                   \
    (FPDF_PAGEOBJECT, float))                                                                    \
  X(FPDFPageObj_GetStrokeWidth, "FPDFPageObj_GetStrokeWidth", true, FPDF_BOOL,                   \
    (FPDF_PAGEOBJECT, float*))                                                                   \
  X(FPDFPageObj_SetLineCap, "FPDFPageObj_SetLineCap", false, FPDF_BOOL, (FPDF_PAGEOBJECT, int))  \
  X(FPDFPageObj_SetLineJoin, "FPDFPageObj_SetLineJoin", false, FPDF_BOOL, (FPDF_PAGEOBJECT, int)) \
  X(FPDFPath_SetDrawMode, "FPDFPath_SetDrawMode", true, FPDF_BOOL,                               \
    (FPDF_PAGEOBJECT, int, FPDF_BOOL))                                                           \
  X(FPDFPage_InsertObject, "FPDFPage_InsertObject", true, void, (FPDF_PAGE, FPDF_PAGEOBJECT))    \
  X(FPDFPage_InsertObjectForImages, "FPDFPage_InsertObject", false, void,                        \
    (FPDF_PAGE, FPDF_PAGEOBJECT))                                                                \
  X(FPDFPage_InsertObjectAtIndex, "FPDFPage_InsertObjectAtIndex", false, FPDF_BOOL,              \
    (FPDF_PAGE, FPDF_PAGEOBJECT, size_t))                                                        \
  X(FPDFPage_GenerateContent, "FPDFPage_GenerateContent", true, FPDF_BOOL, (FPDF_PAGE))          \
  X(FPDFPage_CountObjects, "FPDFPage_CountObjects", true, int, (FPDF_PAGE))                      \
  X(FPDFPage_GetObject, "FPDFPage_GetObject", true, FPDF_PAGEOBJECT, (FPDF_PAGE, int))           \
  X(FPDFPageObj_GetType, "FPDFPageObj_GetType", true, int, (FPDF_PAGEOBJECT))                    \
  X(FPDFPath_CountSegments, "FPDFPath_CountSegments", true, int, (FPDF_PAGEOBJECT))              \
  X(FPDFPath_GetPathSegment, "FPDFPath_GetPathSegment", true, FPDF_PATHSEGMENT,                  \
    (FPDF_PAGEOBJECT, int))                                                                      \
  X(FPDFPathSegment_GetPoint, "FPDFPathSegment_GetPoint", true, FPDF_BOOL,                       \
    (FPDF_PATHSEGMENT, float*, float*))                                                          \
  X(FPDFPathSegment_GetType, "FPDFPathSegment_GetType", true, int, (FPDF_PATHSEGMENT))           \
  X(FPDFPathSegment_GetClose, "FPDFPathSegment_GetClose", true, FPDF_BOOL, (FPDF_PATHSEGMENT))   \
  X(FPDFPage_RemoveObject, "FPDFPage_RemoveObject", true, FPDF_BOOL, (FPDF_PAGE, FPDF_PAGEOBJECT)) \
  X(FPDFPageObj_Destroy, "FPDFPageObj_Destroy", true, void, (FPDF_PAGEOBJECT))                   \
  X(FPDF_ImportPages, "FPDF_ImportPages", true, FPDF_BOOL,                                       \
    (FPDF_DOCUMENT, FPDF_DOCUMENT, const char*, int))                                            \
  X(FPDF_SaveAsCopy, "FPDF_SaveAsCopy", true, FPDF_BOOL,                                         \
    (FPDF_DOCUMENT, FPDF_FILEWRITE*, FPDF_DWORD))                                                \
  X(FPDFPageObj_CountMarks, "FPDFPageObj_CountMarks", false, int, (FPDF_PAGEOBJECT))             \
  X(FPDFPageObj_GetMark, "FPDFPageObj_GetMark", false, FPDF_PAGEOBJECTMARK,                      \
    (FPDF_PAGEOBJECT, unsigned long))                                                            \
  X(FPDFPageObjMark_GetName, "FPDFPageObjMark_GetName", false, FPDF_BOOL,                        \
    (FPDF_PAGEOBJECTMARK, FPDF_WCHAR*, unsigned long, unsigned long*))                           \
  X(FPDFPageObjMark_GetParamValueType, "FPDFPageObjMark_GetParamValueType", false, int,          \
    (FPDF_PAGEOBJECTMARK, const char*))                                                          \
  X(FPDFPageObjMark_GetParamStringValue, "FPDFPageObjMark_GetParamStringValue", false,           \
    FPDF_BOOL, (FPDF_PAGEOBJECTMARK, const char*, FPDF_WCHAR*, unsigned long, unsigned long*))   \
  X(FPDFPageObj_AddMark, "FPDFPageObj_AddMark", false, FPDF_PAGEOBJECTMARK,                      \
    (FPDF_PAGEOBJECT, const char*))                                                              \
  X(FPDFPage_GetAnnotCount, "FPDFPage_GetAnnotCount", false, int, (FPDF_PAGE))                   \
  X(FPDFPage_GetAnnot, "FPDFPage_GetAnnot", false, FPDF_ANNOTATION, (FPDF_PAGE, int))            \
  X(FPDFPage_CloseAnnot, "FPDFPage_CloseAnnot", false, void, (FPDF_ANNOTATION))                  \
  X(FPDFPage_RemoveAnnot, "FPDFPage_RemoveAnnot", false, FPDF_BOOL, (FPDF_PAGE, int))            \
  X(FPDFAnnot_GetSubtype, "FPDFAnnot_GetSubtype", false, int, (FPDF_ANNOTATION))                 \
  X(FPDFPage_CreateAnnot, "FPDFPage_CreateAnnot", false, FPDF_ANNOTATION, (FPDF_PAGE, int))      \
  X(FPDFAnnot_SetColor, "FPDFAnnot_SetColor", false, FPDF_BOOL,                                  \
    (FPDF_ANNOTATION, int, unsigned, unsigned, unsigned, unsigned))                              \
  X(FPDFAnnot_AppendAttachmentPoints, "FPDFAnnot_AppendAttachmentPoints", false, FPDF_BOOL,      \
    (FPDF_ANNOTATION, const FS_QUADPOINTSF*))                                                    \
  X(FPDFAnnot_SetRect, "FPDFAnnot_SetRect", false, FPDF_BOOL, (FPDF_ANNOTATION, const FS_RECTF*)) \
  X(FPDFAnnot_GetRect, "FPDFAnnot_GetRect", false, FPDF_BOOL, (FPDF_ANNOTATION, FS_RECTF*))       \
  X(FPDFAnnot_CountAttachmentPoints, "FPDFAnnot_CountAttachmentPoints", false, size_t,            \
    (FPDF_ANNOTATION))                                                                           \
  X(FPDFAnnot_GetAttachmentPoints, "FPDFAnnot_GetAttachmentPoints", false, FPDF_BOOL,            \
    (FPDF_ANNOTATION, size_t, FS_QUADPOINTSF*))                                                  \
  X(FPDFAnnot_SetAP, "FPDFAnnot_SetAP", false, FPDF_BOOL, (FPDF_ANNOTATION, int, FPDF_WIDESTRING)) \
  X(FPDFAnnot_SetStringValue, "FPDFAnnot_SetStringValue", false, FPDF_BOOL,                      \
    (FPDF_ANNOTATION, const char*, FPDF_WIDESTRING))                                             \
  X(FPDFFormObj_CountObjects, "FPDFFormObj_CountObjects", false, int, (FPDF_PAGEOBJECT))         \
  X(FPDFFormObj_GetObject, "FPDFFormObj_GetObject", false, FPDF_PAGEOBJECT,                      \
    (FPDF_PAGEOBJECT, unsigned long))                                                            \
  X(FPDFFormObj_RemoveObject, "FPDFFormObj_RemoveObject", false, FPDF_BOOL,                      \
    (FPDF_PAGEOBJECT, FPDF_PAGEOBJECT))                                                          \
  X(FPDFText_LoadPage, "FPDFText_LoadPage", false, FPDF_TEXTPAGE, (FPDF_PAGE))                   \
  X(FPDFText_ClosePage, "FPDFText_ClosePage", false, void, (FPDF_TEXTPAGE))                      \
  X(FPDFTextObj_GetText, "FPDFTextObj_GetText", false, unsigned long,                            \
    (FPDF_PAGEOBJECT, FPDF_TEXTPAGE, FPDF_WCHAR*, unsigned long))                                \
  X(FPDFTextObj_GetFontSize, "FPDFTextObj_GetFontSize", false, FPDF_BOOL,                        \
    (FPDF_PAGEOBJECT, float*))                                                                   \
  X(FPDFTextObj_GetTextRenderMode, "FPDFTextObj_GetTextRenderMode", false, int,                  \
    (FPDF_PAGEOBJECT))                                                                           \
  X(FPDFTextObj_SetFontSize, "FPDFTextObj_SetFontSize", false, FPDF_BOOL,                        \
    (FPDF_PAGEOBJECT, float))                                                                    \
  X(FPDFImageObj_GetImagePixelSize, "FPDFImageObj_GetImagePixelSize", false, FPDF_BOOL,          \
    (FPDF_PAGEOBJECT, unsigned*, unsigned*))                                                     \
  X(FPDFImageObj_LoadJpegFileInline, "FPDFImageObj_LoadJpegFileInline", false, FPDF_BOOL,        \
    (FPDF_PAGE*, int, FPDF_PAGEOBJECT, FPDF_FILEACCESS*))                                        \
  X(FPDFImageObj_SetBitmap, "FPDFImageObj_SetBitmap", false, FPDF_BOOL,                          \
    (FPDF_PAGE*, int, FPDF_PAGEOBJECT, FPDF_BITMAP))                                             \
  X(FPDFImageObj_GetImageMetadata, "FPDFImageObj_GetImageMetadata", false, FPDF_BOOL,            \
    (FPDF_PAGEOBJECT, FPDF_PAGE, FPDF_IMAGEOBJ_METADATA*))                                       \
  X(FPDFImageObj_GetRenderedBitmap, "FPDFImageObj_GetRenderedBitmap", false, FPDF_BITMAP,        \
    (FPDF_DOCUMENT, FPDF_PAGE, FPDF_PAGEOBJECT))                                                 \
  X(FPDFPageObj_GetMatrix, "FPDFPageObj_GetMatrix", false, FPDF_BOOL, (FPDF_PAGEOBJECT, FS_MATRIX*)) \
  X(FPDFPageObj_GetClipPath, "FPDFPageObj_GetClipPath", false, FPDF_CLIPPATH, (FPDF_PAGEOBJECT)) \
  X(FPDFClipPath_CountPaths, "FPDFClipPath_CountPaths", false, int, (FPDF_CLIPPATH))             \
  X(FPDFPageObj_HasTransparency, "FPDFPageObj_HasTransparency", false, FPDF_BOOL,                \
    (FPDF_PAGEOBJECT))                                                                           \
  X(FPDFImageObj_SetMatrix, "FPDFImageObj_SetMatrix", false, FPDF_BOOL,                          \
    (FPDF_PAGEOBJECT, double, double, double, double, double, double))                           \
  X(FPDFPageObj_GetBounds, "FPDFPageObj_GetBounds", false, FPDF_BOOL,                            \
    (FPDF_PAGEOBJECT, float*, float*, float*, float*))                                           \
  X(FPDFPageObj_NewImageObj, "FPDFPageObj_NewImageObj", false, FPDF_PAGEOBJECT, (FPDF_DOCUMENT)) \
  X(FPDFText_LoadFont, "FPDFText_LoadFont", false, FPDF_FONT,                                    \
    (FPDF_DOCUMENT, const uint8_t*, uint32_t, int, FPDF_BOOL))                                   \
  X(FPDFFont_Close, "FPDFFont_Close", false, void, (FPDF_FONT))                                  \
  X(FPDFPageObj_CreateTextObj, "FPDFPageObj_CreateTextObj", false, FPDF_PAGEOBJECT,              \
    (FPDF_DOCUMENT, FPDF_FONT, float))                                                           \
  X(FPDFText_SetText, "FPDFText_SetText", false, FPDF_BOOL, (FPDF_PAGEOBJECT, FPDF_WIDESTRING))  \
  X(FPDFPageObj_SetFillColor, "FPDFPageObj_SetFillColor", false, FPDF_BOOL,                      \
    (FPDF_PAGEOBJECT, unsigned, unsigned, unsigned, unsigned))                                   \
  X(FPDFPageObj_GetFillColor, "FPDFPageObj_GetFillColor", false, FPDF_BOOL,                      \
    (FPDF_PAGEOBJECT, unsigned*, unsigned*, unsigned*, unsigned*))                               \
  X(FPDFPath_Close, "FPDFPath_Close", false, FPDF_BOOL, (FPDF_PAGEOBJECT))                       \
  X(FPDFPageObj_Transform, "FPDFPageObj_Transform", false, void,                                 \
    (FPDF_PAGEOBJECT, double, double, double, double, double, double))                           \
  X(FPDFImageObj_GetImageFilterCount, "FPDFImageObj_GetImageFilterCount", false, int,            \
    (FPDF_PAGEOBJECT))                                                                           \
  X(FPDFImageObj_GetImageFilter, "FPDFImageObj_GetImageFilter", false, unsigned long,            \
    (FPDF_PAGEOBJECT, int, void*, unsigned long))                                                \
  X(FPDFImageObj_GetImageDataRaw, "FPDFImageObj_GetImageDataRaw", false, unsigned long,          \
    (FPDF_PAGEOBJECT, void*, unsigned long))                                                     \
  X(FPDFTextObj_GetFont, "FPDFTextObj_GetFont", false, FPDF_FONT, (FPDF_PAGEOBJECT))             \
  X(FPDFFont_GetBaseFontName, "FPDFFont_GetBaseFontName", false, size_t, (FPDF_FONT, char*, size_t)) \
  X(FPDFFont_GetGlyphWidth, "FPDFFont_GetGlyphWidth", false, FPDF_BOOL, (FPDF_FONT, uint32_t, float, float*)) \
  X(FPDFFont_GetGlyphPath, "FPDFFont_GetGlyphPath", false, FPDF_GLYPHPATH, (FPDF_FONT, uint32_t, float))     \
  X(FPDFGlyphPath_CountGlyphSegments, "FPDFGlyphPath_CountGlyphSegments", false, int, (FPDF_GLYPHPATH))     \
  X(FPDFPageObj_SetMatrix, "FPDFPageObj_SetMatrix", false, FPDF_BOOL, (FPDF_PAGEOBJECT, const FS_MATRIX*)) \
  X(FPDFTextObj_SetTextRenderMode, "FPDFTextObj_SetTextRenderMode", false, FPDF_BOOL,            \
    (FPDF_PAGEOBJECT, int))                                                                      \
  X(FPDFPageObjMark_CountParams, "FPDFPageObjMark_CountParams", false, int, (FPDF_PAGEOBJECTMARK)) \
  X(FPDFPageObjMark_GetParamKey, "FPDFPageObjMark_GetParamKey", false, FPDF_BOOL,                \
    (FPDF_PAGEOBJECTMARK, unsigned long, FPDF_WCHAR*, unsigned long, unsigned long*))            \
  X(FPDFPageObjMark_GetParamIntValue, "FPDFPageObjMark_GetParamIntValue", false, FPDF_BOOL,      \
    (FPDF_PAGEOBJECTMARK, const char*, int*))                                                    \
  X(FPDFPageObjMark_GetParamBlobValue, "FPDFPageObjMark_GetParamBlobValue", false, FPDF_BOOL,    \
    (FPDF_PAGEOBJECTMARK, const char*, unsigned char*, unsigned long, unsigned long*))           \
  X(FPDFPageObjMark_SetStringParam, "FPDFPageObjMark_SetStringParam", false, FPDF_BOOL,          \
    (FPDF_DOCUMENT, FPDF_PAGEOBJECT, FPDF_PAGEOBJECTMARK, const char*, const char*))             \
  X(FPDFPageObjMark_SetIntParam, "FPDFPageObjMark_SetIntParam", false, FPDF_BOOL,                \
    (FPDF_DOCUMENT, FPDF_PAGEOBJECT, FPDF_PAGEOBJECTMARK, const char*, int))                     \
  X(FPDFText_CountChars, "FPDFText_CountChars", false, int, (FPDF_TEXTPAGE))                     \
  X(FPDFText_FindStart, "FPDFText_FindStart", false, FPDF_SCHHANDLE,                             \
    (FPDF_TEXTPAGE, FPDF_WIDESTRING, unsigned long, int))                                        \
  X(FPDFText_FindNext, "FPDFText_FindNext", false, FPDF_BOOL, (FPDF_SCHHANDLE))                  \
  X(FPDFText_GetSchResultIndex, "FPDFText_GetSchResultIndex", false, int, (FPDF_SCHHANDLE))      \
  X(FPDFText_GetSchCount, "FPDFText_GetSchCount", false, int, (FPDF_SCHHANDLE))                  \
  X(FPDFText_FindClose, "FPDFText_FindClose", false, void, (FPDF_SCHHANDLE))                     \
  X(FPDFText_GetText, "FPDFText_GetText", false, int, (FPDF_TEXTPAGE, int, int, unsigned short*)) \
  X(FPDFText_CountRects, "FPDFText_CountRects", false, int, (FPDF_TEXTPAGE, int, int))           \
  X(FPDFText_GetRect, "FPDFText_GetRect", false, FPDF_BOOL,                                      \
    (FPDF_TEXTPAGE, int, double*, double*, double*, double*))                                    \
  X(FPDFBookmark_GetFirstChild, "FPDFBookmark_GetFirstChild", false, FPDF_BOOKMARK,              \
    (FPDF_DOCUMENT, FPDF_BOOKMARK))                                                              \
  X(FPDFBookmark_GetNextSibling, "FPDFBookmark_GetNextSibling", false, FPDF_BOOKMARK,            \
    (FPDF_DOCUMENT, FPDF_BOOKMARK))                                                              \
  X(FPDFBookmark_GetTitle, "FPDFBookmark_GetTitle", false, unsigned long,                        \
    (FPDF_BOOKMARK, void*, unsigned long))                                                       \
  X(FPDFBookmark_GetDest, "FPDFBookmark_GetDest", false, FPDF_DEST, (FPDF_DOCUMENT, FPDF_BOOKMARK)) \
  X(FPDFBookmark_GetAction, "FPDFBookmark_GetAction", false, FPDF_ACTION, (FPDF_BOOKMARK))       \
  X(FPDFAction_GetType, "FPDFAction_GetType", false, unsigned long, (FPDF_ACTION))              \
  X(FPDFAction_GetDest, "FPDFAction_GetDest", false, FPDF_DEST, (FPDF_DOCUMENT, FPDF_ACTION))    \
  X(FPDFDest_GetDestPageIndex, "FPDFDest_GetDestPageIndex", false, int, (FPDF_DOCUMENT, FPDF_DEST)) \
  X(FPDF_GetPageLabel, "FPDF_GetPageLabel", false, unsigned long,                                \
    (FPDF_DOCUMENT, int, void*, unsigned long)) \
  X(FPDFPath_GetDrawMode, "FPDFPath_GetDrawMode", false, FPDF_BOOL,                              \
    (FPDF_PAGEOBJECT, int*, FPDF_BOOL*))

struct PdfEngine {
#define CORVAN_ENGINE_SLOT(slot, symbol, required, ret, params) ret(*slot) params = nullptr;
  CORVAN_ENGINE_ENTRY_POINTS(CORVAN_ENGINE_SLOT)
#undef CORVAN_ENGINE_SLOT
};

// One row of the resolution order, for code that walks the table generically.
struct EngineSlotInfo {
  const char* symbol;
  bool required;
};

extern PdfEngine g_engine;

// Number of slots and how many of them are required.
int EngineSlotCount();
int RequiredEngineSlotCount();
const EngineSlotInfo& EngineSlotAt(int index);
// True when the slot at this position is filled in g_engine.
bool EngineSlotFilled(int index);
