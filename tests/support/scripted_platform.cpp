#include "support/scripted_platform.h"

#include "platform/text_encoding.h"

ScriptedPlatform g_script;

namespace {

MessageAnswer RecordBox(const MessageBoxRequest& request) {
  g_script.boxes.push_back(
      {request.caption, request.text, request.icon, request.buttons, request.ownedByMainWindow});
  if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (g_script.answers.empty()) return MessageAnswer::Cancel;
  MessageAnswer answer = g_script.answers.front();
  g_script.answers.pop_front();
  return answer;
}

std::optional<std::u16string> AnswerDialog(const FileDialogRequest& request) {
  g_script.dialogs.push_back(request);
  if (g_script.dialogAnswers.empty()) return std::nullopt;
  auto answer = g_script.dialogAnswers.front();
  g_script.dialogAnswers.pop_front();
  return answer;
}

bool RecordDefaultProgram(const std::u16string& path) {
  g_script.openedWithDefaultProgram.push_back(path);
  return g_script.defaultProgramStarts;
}

void RecordBusy(const std::u16string& text) {
  g_script.busyTexts.push_back(text);
  g_script.busyShown = true;
}

bool CountPump() {
  ++g_script.pumps;
  if (g_script.cancelWhen && g_script.cancelWhen()) {
    g_script.cancelWhen = nullptr;
    return true;
  }
  return g_script.pumps == g_script.cancelAtPump;
}

void CloseBusy() { g_script.busyShown = false; }

void UpdateBusy(const std::u16string& text) {
  if (g_script.busyShown) g_script.busyUpdates.push_back(text);
}

void RecordOcrResult(const std::u16string& text) { g_script.ocrResults.push_back(text); }

bool AnswerTextDialog(TextDialogRequest& request) {
  g_script.textDialogs.push_back(request);
  if (g_script.textAnswers.empty() || !g_script.textAnswers.front()) {
    if (!g_script.textAnswers.empty()) g_script.textAnswers.pop_front();
    return false;
  }
  request = *g_script.textAnswers.front();
  g_script.textAnswers.pop_front();
  return true;
}

std::optional<uint32_t> AnswerColour(const std::u16string&, uint32_t initial) {
  g_script.colourDialogs.push_back(initial);
  if (g_script.colourAnswers.empty()) return std::nullopt;
  auto answer = g_script.colourAnswers.front();
  g_script.colourAnswers.pop_front();
  return answer;
}

bool AnswerScanDialog(ScanDialogRequest& request) {
  g_script.scanDialogs.push_back(request);
  if (g_script.scanAnswers.empty() || !g_script.scanAnswers.front()) {
    if (!g_script.scanAnswers.empty()) g_script.scanAnswers.pop_front();
    return false;
  }
  ScanDialogRequest answer = *g_script.scanAnswers.front();
  g_script.scanAnswers.pop_front();
  answer.devices = request.devices;
  answer.pageNumber = request.pageNumber;
  request = answer;
  return true;
}

}  // namespace

void InstallScriptedPlatform() {
  g_script = ScriptedPlatform{};
  g_platform.showMessageBox = RecordBox;
  g_platform.showFileDialog = AnswerDialog;
  g_platform.openWithDefaultProgram = RecordDefaultProgram;
  g_platform.beginBusy = RecordBusy;
  g_platform.pumpBusy = CountPump;
  g_platform.setBusyText = UpdateBusy;
  g_platform.endBusy = CloseBusy;
  g_platform.childTimeoutMs = 300000;
  g_platform.showOcrResult = RecordOcrResult;
  g_platform.showTextDialog = AnswerTextDialog;
  g_platform.chooseColour = AnswerColour;
  g_platform.showScanDialog = AnswerScanDialog;
}

std::string RecordedBoxesText() {
  std::string text;
  for (const auto& box : g_script.boxes) text += Utf8(box.caption) + " | " + Utf8(box.text) + "\n";
  return text;
}
