#include "support/document_test.h"

#include <cstdlib>
#include <filesystem>

#include "content/font_table.h"
#include "document/crash_recovery.h"
#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"

void ResetDocumentState() {
  ReleaseRecoverySlot(false);
  DropDragEdit();
  CloseSessionDocument();
  DiscardHistory();
  ReleaseConversionFolder();
  g_session = DocumentSession{};
}

void DocumentTest::SetUp() {
  char pattern[] = "/tmp/corvan-test-XXXXXX";
  root_ = mkdtemp(pattern);
  temp_ = root_ + "/tmp";
  work_ = root_ + "/work";
  config_ = root_ + "/config";
  std::filesystem::create_directories(temp_);
  std::filesystem::create_directories(work_);
  setenv("TMPDIR", temp_.c_str(), 1);
  setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
  setenv("XDG_STATE_HOME", (root_ + "/state").c_str(), 1);
  setenv("CORVAN_FONTS_DIR", CORVAN_FONTS_DIR, 1);  // the set-up's font folder in the build tree
  ResetDocumentState();
  InstallScriptedPlatform();
}

void DocumentTest::TearDown() {
  ResetDocumentState();
  std::error_code error;
  std::filesystem::remove_all(root_, error);
}

std::u16string DocumentTest::WorkPath16(const std::string& name) const { return Utf8ToUtf16(WorkPath(name)); }

void DocumentTest::OpenOrFail(const std::string& path) {
  ASSERT_TRUE(OpenDocument(Utf8ToUtf16(path))) << RecordedBoxesText();
}

void DocumentTest::EditOnce() {
  EditScope scope = BeginPossibleEdit();
  AddLinePath(g_session.currentPage, 100, 100);
  NotifyObjectModified();
  EndPossibleEdit(scope);
}

void DocumentTest::NoEditCommand() {
  EditScope scope = BeginPossibleEdit();
  EndPossibleEdit(scope);
}

int DocumentTest::CurrentObjectCount() const {
  return g_engine.FPDFPage_CountObjects(g_session.currentPage);
}
