#include "platform/platform_seam.h"

PlatformSeam g_platform;

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
  if (g_platform.showMessageBox == nullptr) {
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }
  MessageBoxRequest request;
  request.caption = caption;
  request.text = text;
  request.icon = icon;
  request.buttons = buttons;
  request.defaultAnswer = defaultAnswer;
  return g_platform.showMessageBox(request);
}

std::optional<std::u16string> ShowFileDialog(const FileDialogRequest& request) {
  if (g_platform.showFileDialog == nullptr) return std::nullopt;
  return g_platform.showFileDialog(request);
}

void BeginBusy(const std::u16string& text) {
  if (g_platform.beginBusy != nullptr) g_platform.beginBusy(text);
}

bool PumpBusy() { return g_platform.pumpBusy != nullptr && g_platform.pumpBusy(); }

void EndBusy() {
  if (g_platform.endBusy != nullptr) g_platform.endBusy();
}

void ShowOcrResult(const std::u16string& text) {
  if (g_platform.showOcrResult != nullptr) g_platform.showOcrResult(text);
}

bool ShowTextDialog(TextDialogRequest& request) {
  return g_platform.showTextDialog != nullptr && g_platform.showTextDialog(request);
}

std::optional<uint32_t> ChooseColour(const std::u16string& title, uint32_t initial) {
  if (g_platform.chooseColour == nullptr) return std::nullopt;
  return g_platform.chooseColour(title, initial);
}

bool ShowScanDialog(ScanDialogRequest& request) {
  return g_platform.showScanDialog != nullptr && g_platform.showScanDialog(request);
}
