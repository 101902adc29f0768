// Base fixture for tests that drive the document core: a private temporary folder (the
// snapshot directory), a private settings folder, a scripted platform and an empty session.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/pdf_fixtures.h"
#include "support/scripted_platform.h"

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A path inside the test's work folder.
  std::string WorkPath(const std::string& name) const { return work_ + "/" + name; }
  std::u16string WorkPath16(const std::string& name) const;
  // Files in the temporary directory (snapshots and the like).
  std::vector<std::string> TempFiles() const { return FolderEntries(temp_); }
  // Everything in the work folder.
  std::vector<std::string> WorkFiles() const { return FolderEntries(work_); }

  // Opens a file through OpenDocument and expects it to succeed.
  void OpenOrFail(const std::string& path);
  // One editing command as the window runs it: wrapped for undo, adds a path to the page.
  void EditOnce();
  // A command that changes nothing, wrapped the same way.
  void NoEditCommand();
  int CurrentObjectCount() const;

  std::string root_;
  std::string temp_;
  std::string work_;
  std::string config_;
};

// Closes whatever the session holds and forgets all history.
void ResetDocumentState();
