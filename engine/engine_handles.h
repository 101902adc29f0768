// Owners for PDFium handles: each closes its handle through the loaded engine when it goes out
// of scope, so an early return cannot leak one and a handle cannot be closed twice. They are
// std::unique_ptr, so move-only; get() lends the handle, release() gives it away.
//
// A page object inserted into a page belongs to the page from then on: release() its owner at
// exactly that point, and keep the owner while the object is still off the page.
#pragma once

#include <memory>

#include "engine/engine_table.h"

// Calls the engine entry `Close` on a handle. Optional entries may be missing from the loaded
// library; a handle whose closing entry is missing is left as it is (code that needs one to be
// closed checks the entry before creating it).
template <auto Close>
struct CloseThroughEngine {
  template <typename Pointee>
  void operator()(Pointee* handle) const {
    if (g_engine.*Close != nullptr) (g_engine.*Close)(handle);
  }
};

template <typename Pointee, auto Close>
using EngineHandle = std::unique_ptr<Pointee, CloseThroughEngine<Close>>;

using ScopedDocument = EngineHandle<fpdf_document_t__, &PdfEngine::FPDF_CloseDocument>;
// A page must be closed before the document it came from.
using ScopedPage = EngineHandle<fpdf_page_t__, &PdfEngine::FPDF_ClosePage>;
// A text page must be closed before its page.
using ScopedTextPage = EngineHandle<fpdf_textpage_t__, &PdfEngine::FPDFText_ClosePage>;
// A search must be closed before its text page.
using ScopedSearch = EngineHandle<fpdf_schhandle_t__, &PdfEngine::FPDFText_FindClose>;
using ScopedBitmap = EngineHandle<fpdf_bitmap_t__, &PdfEngine::FPDFBitmap_Destroy>;
// Only for an object on no page (see above).
using ScopedPageObject = EngineHandle<fpdf_pageobject_t__, &PdfEngine::FPDFPageObj_Destroy>;
using ScopedFont = EngineHandle<fpdf_font_t__, &PdfEngine::FPDFFont_Close>;
using ScopedAnnotation = EngineHandle<fpdf_annotation_t__, &PdfEngine::FPDFPage_CloseAnnot>;
