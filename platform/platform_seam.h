// The seam between the engine-side code and the user and machine: message boxes, file
// dialogs and handing a file to the desktop. The window layer fills it with Qt; tests fill
// it with a script that records every box and answers every dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class MessageIcon { Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct MessageBoxRequest {
  std::u16string caption;
  std::u16string text;
  MessageIcon icon = MessageIcon::Error;
  MessageButtons buttons = MessageButtons::Ok;
  // The button Enter presses. Questions guard risky steps, so unless the caller names a
  // harmless answer it is the one that changes nothing: Cancel, else No.
  std::optional<MessageAnswer> defaultAnswer;
  bool ownedByMainWindow = true;
};

// The answer Enter gives: the request's own, else Cancel or No (Ok for a plain box).
MessageAnswer DefaultAnswerOf(const MessageBoxRequest& request);
// The answer Esc and the close button give: Cancel, else No (Ok for a plain box).
MessageAnswer EscapeAnswerOf(MessageButtons buttons);

struct FileFilter {
  std::u16string description;
  std::u16string patterns;  // "*.pdf;*.cvn"
};

struct FileDialogRequest {
  bool save = false;
  std::u16string title;  // empty: the toolkit's default title
  std::vector<FileFilter> filters;
  std::u16string defaultName;
  std::u16string folder;  // where the dialog starts; empty: the folder last chosen from
  std::u16string defaultExtension;
  bool confirmOverwrite = false;
};

// The shared text dialog for adding, editing and watermark text. On OK the dialog has
// checked the text (1-4096 characters) and, where shown, the size (4-144 points).
struct TextDialogRequest {
  std::u16string text;
  float size = 18.0f;
  bool editing = false;       // "编辑文本" with the text and size filled in
  bool sizeEditable = true;   // editing only: false hides the size row
  bool watermark = false;     // "添加水印", size preset 48
};

// The small acquisition dialog shown before each scanned page: device and resolution (and the
// colour mode, as a device option). On OK the request holds the choice.
struct ScanDialogRequest {
  std::vector<std::u16string> devices;  // the list the user picks from
  int device = 0;                       // index into devices
  int dpi = 300;
  int pageNumber = 1;                   // the page about to be scanned
  // Device options by their SANE names beyond the resolution ("mode" = "Color").
  std::vector<std::pair<std::string, std::string>> deviceOptions;
};

// A picture: top-down rows of blue, green, red, alpha (straight), packed.
struct BgraPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// What the clipboard holds for pasting: the picture and, when the editor copied it, the
// private size record (empty otherwise).
struct ClipboardPicture {
  BgraPicture picture;
  std::vector<uint8_t> sizeRecord;
};

// A picture decoded by the platform.
enum class ImageDecodeStatus { Ok, Unreadable, TooLarge };
struct DecodedImage {
  ImageDecodeStatus status = ImageDecodeStatus::Unreadable;
  BgraPicture picture;
};

struct PlatformSeam {
  MessageAnswer (*showMessageBox)(const MessageBoxRequest& request) = nullptr;
  // The chosen full path, or nothing when the user cancelled.
  std::optional<std::u16string> (*showFileDialog)(const FileDialogRequest& request) = nullptr;
  // Opens a file with the desktop's default program; false when that could not be started.
  bool (*openWithDefaultProgram)(const std::u16string& path) = nullptr;
  // A small modal dialog with one labelled text field; nothing when cancelled.
  std::optional<std::u16string> (*askText)(const std::u16string& title, const std::u16string& label,
                                           const std::u16string& initial) = nullptr;
  // Long waits (child programs, scanners): a busy cursor and a progress box with 取消; the
  // window repaints but takes no input until endBusy. pumpBusy returns true once 取消 was pressed.
  void (*beginBusy)(const std::u16string& text) = nullptr;
  bool (*pumpBusy)() = nullptr;
  void (*endBusy)() = nullptr;
  // Replaces the text of the progress box that is up (a page counter).
  void (*setBusyText)(const std::u16string& text) = nullptr;
  // How long a child program may run before it is killed; tests shorten it.
  int childTimeoutMs = 300000;
  // The OCR result dialog: the text, a 复制 button, 关闭.
  void (*showOcrResult)(const std::u16string& text) = nullptr;
  // The text dialog; false when cancelled, otherwise the request holds the text and size.
  bool (*showTextDialog)(TextDialogRequest& request) = nullptr;
  // The full colour dialog (custom colours shared by every use); colours are red in the
  // lowest byte. Nothing when cancelled.
  std::optional<uint32_t> (*chooseColour)(const std::u16string& title, uint32_t initial) = nullptr;
  // The scan acquisition dialog; false when cancelled.
  bool (*showScanDialog)(ScanDialogRequest& request) = nullptr;
  // The system clipboard: the picture (with its size record when not empty) replaces what it
  // holds, false when it could not be written; the picture it holds (PNG, or BMP/DIB read
  // with the editor's bounded reader), nothing when none can be read; whether it holds one.
  bool (*writeClipboardPicture)(ClipboardPicture content) = nullptr;  // taken over: pictures may be large
  std::optional<ClipboardPicture> (*readClipboardPicture)() = nullptr;
  bool (*clipboardHasPicture)() = nullptr;
  // Decodes PNG bytes. TooLarge, read from the header before any pixel is decoded: a side of
  // 0, a width over 536870911 or pixels needing more than 256 MiB.
  DecodedImage (*decodePng)(const std::vector<uint8_t>& bytes) = nullptr;
  // A whole JPEG file of the pixels (B, G, R, unused per pixel; rows `stride` bytes apart),
  // one grey channel when `grey`; empty on failure.
  std::vector<uint8_t> (*encodeJpeg)(const uint8_t* bgrx, int width, int height, int stride, bool grey) = nullptr;
  // Where the program's own helpers live; empty: the executable's folder. Tests point it elsewhere.
  std::u16string programFolder;
};

extern PlatformSeam g_platform;

// Once a termination signal asked the program to end, every box and dialog answers at once as
// cancelled (Cancel, nothing chosen), also the one open when the signal came: a forced answer
// must never delete or discard anything.
void RequestProgramEnd();
bool ProgramEndRequested();

// Shows a box through the seam; with no seam installed the box is answered with Cancel/Ok.
// `defaultAnswer` names a harmless answer for Enter; without it Enter changes nothing.
MessageAnswer ShowMessage(const std::u16string& caption, const std::u16string& text,
                          MessageIcon icon, MessageButtons buttons = MessageButtons::Ok,
                          std::optional<MessageAnswer> defaultAnswer = std::nullopt);
std::optional<std::u16string> ShowFileDialog(const FileDialogRequest& request);
void BeginBusy(const std::u16string& text);
// True when the user asked to stop; false without a seam.
bool PumpBusy();
void EndBusy();
void SetBusyText(const std::u16string& text);
void ShowOcrResult(const std::u16string& text);
// False without a seam (as if cancelled).
bool ShowTextDialog(TextDialogRequest& request);
std::optional<uint32_t> ChooseColour(const std::u16string& title, uint32_t initial);
// False without a seam (as if cancelled).
bool ShowScanDialog(ScanDialogRequest& request);
