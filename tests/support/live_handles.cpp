#include "support/live_handles.h"

#include "engine/engine_table.h"

namespace {

// The entries as they were before counting began; the counting ones call these.
PdfEngine g_real;
HandleCounts g_open;
int g_closes = 0;

template <typename Handle>
Handle Opened(Handle handle, int& count) {
  if (handle != nullptr) ++count;
  return handle;
}

void Closed(const void* handle, int& count) {
  if (handle != nullptr) --count;
  ++g_closes;
}

FPDF_DOCUMENT LoadDocument(const char* path, const char* password) {
  return Opened(g_real.FPDF_LoadDocument(path, password), g_open.documents);
}
FPDF_DOCUMENT LoadCustomDocument(FPDF_FILEACCESS* access, const char* password) {
  return Opened(g_real.FPDF_LoadCustomDocument(access, password), g_open.documents);
}
FPDF_DOCUMENT CreateNewDocument() { return Opened(g_real.FPDF_CreateNewDocument(), g_open.documents); }
void CloseDocument(FPDF_DOCUMENT document) {
  Closed(document, g_open.documents);
  g_real.FPDF_CloseDocument(document);
}

FPDF_PAGE LoadPage(FPDF_DOCUMENT document, int index) {
  return Opened(g_real.FPDF_LoadPage(document, index), g_open.pages);
}
FPDF_PAGE NewPage(FPDF_DOCUMENT document, int index, double width, double height) {
  return Opened(g_real.FPDFPage_New(document, index, width, height), g_open.pages);
}
void ClosePage(FPDF_PAGE page) {
  Closed(page, g_open.pages);
  g_real.FPDF_ClosePage(page);
}

FPDF_TEXTPAGE LoadTextPage(FPDF_PAGE page) { return Opened(g_real.FPDFText_LoadPage(page), g_open.textPages); }
void CloseTextPage(FPDF_TEXTPAGE text) {
  Closed(text, g_open.textPages);
  g_real.FPDFText_ClosePage(text);
}

FPDF_SCHHANDLE FindStart(FPDF_TEXTPAGE text, FPDF_WIDESTRING query, unsigned long flags, int start) {
  return Opened(g_real.FPDFText_FindStart(text, query, flags, start), g_open.searches);
}
void FindClose(FPDF_SCHHANDLE search) {
  Closed(search, g_open.searches);
  g_real.FPDFText_FindClose(search);
}

FPDF_BITMAP CreateBitmap(int width, int height, int format, void* buffer, int stride) {
  return Opened(g_real.FPDFBitmap_CreateEx(width, height, format, buffer, stride), g_open.bitmaps);
}
FPDF_BITMAP RenderedBitmap(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image) {
  return Opened(g_real.FPDFImageObj_GetRenderedBitmap(document, page, image), g_open.bitmaps);
}
void DestroyBitmap(FPDF_BITMAP bitmap) {
  Closed(bitmap, g_open.bitmaps);
  g_real.FPDFBitmap_Destroy(bitmap);
}

FPDF_FONT LoadFont(FPDF_DOCUMENT document, const uint8_t* data, uint32_t size, int type, FPDF_BOOL cid) {
  return Opened(g_real.FPDFText_LoadFont(document, data, size, type, cid), g_open.fonts);
}
void CloseFont(FPDF_FONT font) {
  Closed(font, g_open.fonts);
  g_real.FPDFFont_Close(font);
}

FPDF_ANNOTATION GetAnnot(FPDF_PAGE page, int index) {
  return Opened(g_real.FPDFPage_GetAnnot(page, index), g_open.annotations);
}
void CloseAnnot(FPDF_ANNOTATION annotation) {
  Closed(annotation, g_open.annotations);
  g_real.FPDFPage_CloseAnnot(annotation);
}

FPDF_PAGEOBJECT NewPath(float x, float y) { return Opened(g_real.FPDFPageObj_CreateNewPath(x, y), g_open.looseObjects); }
FPDF_PAGEOBJECT NewText(FPDF_DOCUMENT document, FPDF_FONT font, float size) {
  return Opened(g_real.FPDFPageObj_CreateTextObj(document, font, size), g_open.looseObjects);
}
FPDF_PAGEOBJECT NewImage(FPDF_DOCUMENT document) {
  return Opened(g_real.FPDFPageObj_NewImageObj(document), g_open.looseObjects);
}
void DestroyObject(FPDF_PAGEOBJECT object) {
  Closed(object, g_open.looseObjects);
  g_real.FPDFPageObj_Destroy(object);
}
void InsertObject(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  if (object != nullptr) --g_open.looseObjects;
  g_real.FPDFPage_InsertObject(page, object);
}
void InsertImageObject(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  if (object != nullptr) --g_open.looseObjects;
  g_real.FPDFPage_InsertObjectForImages(page, object);
}
FPDF_BOOL InsertObjectAtIndex(FPDF_PAGE page, FPDF_PAGEOBJECT object, size_t index) {
  FPDF_BOOL inserted = g_real.FPDFPage_InsertObjectAtIndex(page, object, index);
  if (inserted) --g_open.looseObjects;
  return inserted;
}
FPDF_BOOL RemoveObject(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  FPDF_BOOL removed = g_real.FPDFPage_RemoveObject(page, object);
  if (removed) ++g_open.looseObjects;
  return removed;
}
FPDF_BOOL RemoveFormObject(FPDF_PAGEOBJECT form, FPDF_PAGEOBJECT object) {
  FPDF_BOOL removed = g_real.FPDFFormObj_RemoveObject(form, object);
  if (removed) ++g_open.looseObjects;
  return removed;
}

// Puts `counting` in front of `slot` when the library has that entry; a missing entry stays
// missing, so the code under test sees the same library.
template <typename Entry>
void Wrap(Entry& slot, Entry counting) {
  if (slot != nullptr) slot = counting;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const HandleCounts& counts) {
  return out << "documents " << counts.documents << ", pages " << counts.pages << ", text pages " << counts.textPages
             << ", searches " << counts.searches << ", bitmaps " << counts.bitmaps << ", fonts " << counts.fonts
             << ", annotations " << counts.annotations << ", loose objects " << counts.looseObjects;
}

LiveHandles::LiveHandles() {
  g_real = g_engine;
  g_open = {};
  g_closes = 0;
  PdfEngine& e = g_engine;
  Wrap(e.FPDF_LoadDocument, LoadDocument);
  Wrap(e.FPDF_LoadCustomDocument, LoadCustomDocument);
  Wrap(e.FPDF_CreateNewDocument, CreateNewDocument);
  Wrap(e.FPDF_CloseDocument, CloseDocument);
  Wrap(e.FPDF_LoadPage, LoadPage);
  Wrap(e.FPDFPage_New, NewPage);
  Wrap(e.FPDF_ClosePage, ClosePage);
  Wrap(e.FPDFText_LoadPage, LoadTextPage);
  Wrap(e.FPDFText_ClosePage, CloseTextPage);
  Wrap(e.FPDFText_FindStart, FindStart);
  Wrap(e.FPDFText_FindClose, FindClose);
  Wrap(e.FPDFBitmap_CreateEx, CreateBitmap);
  Wrap(e.FPDFImageObj_GetRenderedBitmap, RenderedBitmap);
  Wrap(e.FPDFBitmap_Destroy, DestroyBitmap);
  Wrap(e.FPDFText_LoadFont, LoadFont);
  Wrap(e.FPDFFont_Close, CloseFont);
  Wrap(e.FPDFPage_GetAnnot, GetAnnot);
  Wrap(e.FPDFPage_CloseAnnot, CloseAnnot);
  Wrap(e.FPDFPageObj_CreateNewPath, NewPath);
  Wrap(e.FPDFPageObj_CreateTextObj, NewText);
  Wrap(e.FPDFPageObj_NewImageObj, NewImage);
  Wrap(e.FPDFPageObj_Destroy, DestroyObject);
  Wrap(e.FPDFPage_InsertObject, InsertObject);
  Wrap(e.FPDFPage_InsertObjectForImages, InsertImageObject);
  Wrap(e.FPDFPage_InsertObjectAtIndex, InsertObjectAtIndex);
  Wrap(e.FPDFPage_RemoveObject, RemoveObject);
  Wrap(e.FPDFFormObj_RemoveObject, RemoveFormObject);
}

LiveHandles::~LiveHandles() { g_engine = g_real; }

HandleCounts LiveHandles::Open() const { return g_open; }

int LiveHandles::Closes() const { return g_closes; }
