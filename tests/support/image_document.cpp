#include "support/image_document.h"

#include <cstdint>
#include <random>

#include "document/file_writer.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

bool WriteNoiseImagePdf(const std::string& path, int pages, int width, int height) {
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  if (document == nullptr) return false;
  std::mt19937 random(7);
  for (int p = 0; p < pages; ++p) {
    FPDF_PAGE page = g_engine.FPDFPage_New(document, p, 595, 842);
    FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(width, height, kBitmapBgra, nullptr, 0);
    auto* pixels = static_cast<uint32_t*>(g_engine.FPDFBitmap_GetBuffer(bitmap));
    for (int i = 0; i < width * height; ++i) pixels[i] = random() | 0xFF000000u;
    FPDF_PAGEOBJECT image = g_engine.FPDFPageObj_NewImageObj(document);
    g_engine.FPDFImageObj_SetBitmap(nullptr, 0, image, bitmap);
    g_engine.FPDFImageObj_SetMatrix(image, 500, 0, 0, 385, 47, 400);
    g_engine.FPDFPage_InsertObject(page, image);
    g_engine.FPDFPage_GenerateContent(page);
    g_engine.FPDFBitmap_Destroy(bitmap);
    g_engine.FPDF_ClosePage(page);
  }
  int fd = OpenForWriting(Utf8ToUtf16(path), false);
  bool ok = fd >= 0;
  if (ok) {
    FileWriter writer = MakeFileWriter(fd);
    ok = SaveDocumentToFile(document, writer, kSaveNoIncremental);
    CloseFile(fd);
  }
  g_engine.FPDF_CloseDocument(document);
  return ok;
}
