#include "external/office_format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "external/compound_file.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kWord97 = u"MS Word 97";
constexpr const char16_t* kWord2007 = u"MS Word 2007 XML";
constexpr const char16_t* kPowerPoint97 = u"MS PowerPoint 97";
constexpr const char16_t* kPowerPoint2007 = u"Impress MS PowerPoint 2007 XML";
// A zip's names sit in its local headers at the start and its directory at the end.
constexpr size_t kZipWindow = 64 * 1024;

std::u16string FilterForExtension(const std::u16string& path) {
  std::u16string ext = LowerExtension(path);
  if (ext == u".doc") return kWord97;
  if (ext == u".docx") return kWord2007;
  if (ext == u".ppt" || ext == u".pps") return kPowerPoint97;
  return kPowerPoint2007;
}

std::string ReadAt(int fd, off_t at, size_t size) {
  std::string bytes(size, '\0');
  ssize_t got = pread(fd, bytes.data(), size, at);
  bytes.resize(got > 0 ? size_t(got) : 0);
  return bytes;
}

std::u16string CompoundFilter(int fd) {
  CompoundFile file(fd);
  if (!file.ReadHeader()) return {};
  for (const auto& entry : file.Entries()) {
    if (entry.first == u"WordDocument") return kWord97;
    if (entry.first == u"PowerPoint Document") return kPowerPoint97;
  }
  return {};
}

std::u16string ZipFilter(int fd, const std::string& head) {
  struct stat st {};
  fstat(fd, &st);
  off_t tailStart = std::max<off_t>(0, st.st_size - off_t(kZipWindow));
  std::string names = head + ReadAt(fd, tailStart, kZipWindow);
  // OpenDocument puts its uncompressed "mimetype" entry first.
  if (head.compare(30, 8, "mimetype") == 0) {
    if (head.find("application/vnd.oasis.opendocument.text") != std::string::npos) return u"writer8";
    if (head.find("application/vnd.oasis.opendocument.presentation") != std::string::npos) return u"impress8";
    return {};
  }
  if (names.find("word/document") != std::string::npos) return kWord2007;
  if (names.find("ppt/presentation") != std::string::npos) return kPowerPoint2007;
  return {};
}

bool StartsWithNoCase(const std::string& text, size_t at, const std::string& prefix) {
  if (text.size() < at + prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != prefix[i]) return false;
  }
  return true;
}

bool IsHtml(const std::string& head) {
  size_t at = head.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (at < head.size() && std::isspace(static_cast<unsigned char>(head[at]))) ++at;
  return StartsWithNoCase(head, at, "<!doctype html") || StartsWithNoCase(head, at, "<html");
}

}  // namespace

std::u16string ImportFilterFor(const std::u16string& path) {
  int fd = open(Utf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FilterForExtension(path);
  std::string head = ReadAt(fd, 0, kZipWindow);
  std::u16string filter;
  if (HasCompoundSignature(head)) {
    filter = CompoundFilter(fd);
  } else if (head.compare(0, 4, "PK\x03\x04") == 0) {
    filter = ZipFilter(fd, head);
  } else if (head.compare(0, 5, "{\\rtf") == 0) {
    filter = u"Rich Text Format";
  } else if (IsHtml(head)) {
    filter = u"HTML (StarWriter)";
  }
  close(fd);
  return filter.empty() ? FilterForExtension(path) : filter;
}
