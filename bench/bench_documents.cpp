#include "bench/bench_documents.h"

#include <cstdio>

#include "document/file_writer.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"

namespace {

struct MemoryWriter {
  FPDF_FILEWRITE record;
  std::string bytes;
};

int AppendBlock(FPDF_FILEWRITE* self, const void* data, unsigned long size) {
  reinterpret_cast<MemoryWriter*>(self)->bytes.append(static_cast<const char*>(data), size);
  return 1;
}

}  // namespace

size_t SaveToMemory(FPDF_DOCUMENT document, size_t reserve) {
  MemoryWriter writer{{1, AppendBlock}, {}};
  writer.bytes.reserve(reserve);
  g_engine.FPDF_SaveAsCopy(document, &writer.record, kSaveNoIncremental);
  return writer.bytes.size();
}

size_t SaveToMemoryAndFile(FPDF_DOCUMENT document, size_t reserve, const std::string& path) {
  MemoryWriter writer{{1, AppendBlock}, {}};
  writer.bytes.reserve(reserve);
  g_engine.FPDF_SaveAsCopy(document, &writer.record, kSaveNoIncremental);
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(writer.bytes.data(), 1, writer.bytes.size(), file);
  std::fclose(file);
  return writer.bytes.size();
}

void SaveToFile(FPDF_DOCUMENT document, const std::string& path) {
  MemoryWriter writer{{1, AppendBlock}, {}};
  g_engine.FPDF_SaveAsCopy(document, &writer.record, kSaveNoIncremental);
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(writer.bytes.data(), 1, writer.bytes.size(), file);
  std::fclose(file);
}

void MakeTextDocument(const std::string& path, int pages, int linesPerPage) {
  using LoadStandardFont = FPDF_FONT (*)(FPDF_DOCUMENT, const char*);
  auto loadStandardFont = reinterpret_cast<LoadStandardFont>(ResolveEngineSymbol("FPDFText_LoadStandardFont"));
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  FPDF_FONT font = loadStandardFont(document, "Helvetica");
  std::u16string line = u"The quick brown fox jumps over the lazy dog, line of lesson text number ";
  for (int p = 0; p < pages; ++p) {
    FPDF_PAGE page = g_engine.FPDFPage_New(document, p, 595, 842);
    for (int l = 0; l < linesPerPage; ++l) {
      FPDF_PAGEOBJECT text = g_engine.FPDFPageObj_CreateTextObj(document, font, 11);
      std::u16string content = line + Num(p * linesPerPage + l);
      content.push_back(0);
      g_engine.FPDFText_SetText(text, reinterpret_cast<FPDF_WIDESTRING>(content.c_str()));
      g_engine.FPDFPageObj_Transform(text, 1, 0, 0, 1, 40, 800 - 17.0 * l);
      g_engine.FPDFPage_InsertObject(page, text);
    }
    g_engine.FPDFPage_GenerateContent(page);
    g_engine.FPDF_ClosePage(page);
  }
  SaveToFile(document, path);
  g_engine.FPDF_CloseDocument(document);
}
