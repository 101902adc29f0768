#include "platform/platform_seam.h"

PlatformSeam g_platform;

namespace {

bool g_programEnding = false;

}  // namespace

void RequestProgramEnd() { g_programEnding = true; }

bool ProgramEndRequested() { return g_programEnding; }

MessageAnswer EscapeAnswerOf(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok:
      return MessageAnswer::Ok;
    case MessageButtons::YesNo:
      return MessageAnswer::No;
    default:
      return MessageAnswer::Cancel;
  }
}

MessageAnswer DefaultAnswerOf(const MessageBoxRequest& request) {
  return request.defaultAnswer ? *request.defaultAnswer : EscapeAnswerOf(request.buttons);
}

MessageAnswer ShowMessage(const std::u16string& caption, const std::u16string& text,
                          MessageIcon icon, MessageButtons buttons, std::optional<MessageAnswer> defaultAnswer) {
  if (g_platform.showMessageBox == nullptr || g_programEnding) {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }
  MessageBoxRequest request;
  request.caption = caption;
  request.text = text;
  request.icon = icon;
  request.buttons = buttons;
  request.defaultAnswer = defaultAnswer;
  MessageAnswer answer = g_platform.showMessageBox(request);
  if (g_programEnding) return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
  return answer;
}

std::optional<std::u16string> ShowFileDialog(const FileDialogRequest& request) {
  if (g_platform.showFileDialog == nullptr || g_programEnding) return std::nullopt;
  auto chosen = g_platform.showFileDialog(request);
  if (g_programEnding) return std::nullopt;
  return chosen;
}

void BeginBusy(const std::u16string& text) {
  if (g_platform.beginBusy != nullptr) g_platform.beginBusy(text);
}

// A program being ended stops its wait as 取消 would.
bool PumpBusy() { return g_programEnding || (g_platform.pumpBusy != nullptr && g_platform.pumpBusy()); }

void EndBusy() {
  if (g_platform.endBusy != nullptr) g_platform.endBusy();
}

void SetBusyText(const std::u16string& text) {
  if (g_platform.setBusyText != nullptr) g_platform.setBusyText(text);
}

void ShowOcrResult(const std::u16string& text) {
  if (g_platform.showOcrResult != nullptr) g_platform.showOcrResult(text);
}

bool ShowTextDialog(TextDialogRequest& request) {
  if (g_platform.showTextDialog == nullptr || g_programEnding) return false;
  return g_platform.showTextDialog(request) && !g_programEnding;
}

std::optional<uint32_t> ChooseColour(const std::u16string& title, uint32_t initial) {
  if (g_platform.chooseColour == nullptr || g_programEnding) return std::nullopt;
  auto chosen = g_platform.chooseColour(title, initial);
  if (g_programEnding) return std::nullopt;
  return chosen;
}

bool ShowScanDialog(ScanDialogRequest& request) {
  if (g_platform.showScanDialog == nullptr || g_programEnding) return false;
  return g_platform.showScanDialog(request) && !g_programEnding;
}
