// A platform seam for tests: records every message box and answers boxes and file dialogs
// from a script, so exact texts can be asserted without a window.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_seam.h"

struct RecordedBox {
  std::u16string caption;
  std::u16string text;
  MessageIcon icon;
  MessageButtons buttons;
  bool ownedByMainWindow;
};

struct ScriptedPlatform {
  std::vector<RecordedBox> boxes;
  std::deque<MessageAnswer> answers;  // for question boxes; Cancel when the script runs dry
  std::deque<std::optional<std::u16string>> dialogAnswers;  // nothing = the user cancelled
  std::vector<FileDialogRequest> dialogs;
  std::vector<std::u16string> openedWithDefaultProgram;
  bool defaultProgramStarts = true;
  std::vector<std::u16string> busyTexts;  // every progress box shown
  bool busyShown = false;                 // a progress box is up now
  std::vector<std::u16string> busyUpdates;  // every text a box that was up changed to
  int pumps = 0;                          // how often a wait let the window run
  int cancelAtPump = -1;                  // the pump at which the user presses 取消; -1 never
  std::function<bool()> cancelWhen;       // or the first pump at which this holds
  std::vector<std::u16string> ocrResults; // texts the OCR result dialog showed
  std::vector<TextDialogRequest> textDialogs;                 // every text dialog as it opened
  std::deque<std::optional<TextDialogRequest>> textAnswers;   // nothing = 取消; Cancel when dry
  std::vector<uint32_t> colourDialogs;                        // the initial colour of each
  std::deque<std::optional<uint32_t>> colourAnswers;          // nothing = 取消; Cancel when dry
  std::vector<ScanDialogRequest> scanDialogs;                 // every scan dialog as it opened
  std::deque<std::optional<ScanDialogRequest>> scanAnswers;   // nothing = 取消; Cancel when dry
};

extern ScriptedPlatform g_script;

// Clears the script and installs it as the platform seam.
void InstallScriptedPlatform();
// "caption | text" of every box so far, for readable failure output.
std::string RecordedBoxesText();
