// The one open document: its engine handles, where it came from, and its unsaved state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "document/cvn_container.h"
#include "document/opened_bytes.h"
#include "engine/pdfium_types.h"
#include "platform/file_identity.h"

struct DocumentSession {
  FPDF_DOCUMENT document = nullptr;
  FPDF_PAGE currentPage = nullptr;
  int currentPageIndex = 0;
  int pageCount = 0;
  float pageWidth = 0;
  float pageHeight = 0;
  std::u16string path;        // where the document was last saved to or opened from
  std::u16string sourcePath;  // where it was opened from; saving never overwrites it
  // That file as it was when opened: saving never overwrites it under any later name either.
  FileIdentity sourceIdentity;
  // The PDF file the engine loaded when the document was opened (the source, or its Office
  // conversion) and how it was then: a copy is its bytes plus what changed while it is unchanged.
  std::u16string basePdf;
  FileIdentity basePdfIdentity;
  bool createdInMemory = false;
  bool fullRewrite = false;
  bool modified = false;
  std::unique_ptr<CvnReader> cvnReader;
  // Folder of the Office conversion whose PDF is open (empty when not converted).
  std::u16string conversionFolder;
  // A snapshot or backup file the open document was restored from; deleted when it closes.
  std::u16string backingFile;
  // The bytes the document was opened from (nullptr for one made in memory or a CVN file):
  // undo records and copies are these plus what changed. They stay across undo.
  std::shared_ptr<OpenedPdf> opened;
  // What the engine document reads; closed after the document.
  std::unique_ptr<EngineBytes> engineBytes;
  std::u16string statusText;
};

extern DocumentSession g_session;

constexpr const char16_t* kApplicationName = u"Corvan PDF 编辑器";

// Counts every change to the document; only MarkModified moves it.
uint64_t EditGeneration();
// Counts the documents made current: a document loaded where a closed one was is still new.
uint64_t DocumentSerial();
void MarkModified();

bool CommitPageContent();
// The end step of every edit. `doneClause` says what was done ("图形已添加"); it opens the
// warning shown when the page content cannot be regenerated.
void NotifyObjectModified(const std::u16string& doneClause = u"对象已修改");

std::u16string WindowTitle();
void UpdateTitle();

bool ReleaseCurrentPage();
// Commits the current page and opens it afresh. The engine remembers the resource names a page
// handle wrote for the handle's whole life, also after a regeneration dropped them from the
// page, and would point new content at names that no longer exist: after removing objects,
// a fresh handle. False (the old handle kept) when the page cannot be committed or loaded.
bool ReloadCurrentPage();
bool SwitchToPage(int index);
bool GoToPage(int index);
bool GoToPageOffset(int offset);
// The page-number box: "12" goes to page 12; anything else is refused with a warning.
bool GoToTypedPageNumber(const std::u16string& typed);

// Closes the current page without committing, the document's fonts, the document, the
// CVN reader and the backing file. The session's other fields are left to the caller.
void CloseSessionDocument();
// Makes an already loaded document and page current (index, count and page size).
void InstallIntoSession(FPDF_DOCUMENT document, FPDF_PAGE page, int index, int count);
// Empties the session after a failed recovery: no document, no page, nothing to show.
void EmptySession();
// Deletes the folder of the Office conversion that belonged to the replaced document.
void ReleaseConversionFolder();
