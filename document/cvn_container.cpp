#include "document/cvn_container.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "document/file_writer.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

bool ReadExactly(int fd, void* buffer, size_t size, size_t& got) {
  got = 0;
  auto* bytes = static_cast<unsigned char*>(buffer);
  while (got < size) {
    ssize_t n = ::read(fd, bytes + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += size_t(n);
  }
  return true;
}

uint32_t ReadLe32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t ReadLe64(const unsigned char* p) { return uint64_t(ReadLe32(p)) | uint64_t(ReadLe32(p + 4)) << 32; }

void WriteLe(unsigned char* p, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = (unsigned char)(value >> (8 * i));
}

int ReadBlock(void* param, unsigned long position, unsigned char* buffer, unsigned long size) {
  auto* reader = static_cast<CvnReader*>(param);
  if (reader == nullptr || buffer == nullptr) return 0;
  if (position > reader->pdfLength || reader->pdfLength - position < size) return 0;
  std::lock_guard<std::mutex> guard(reader->lock);
  if (::lseek(reader->fd, off_t(position + kCvnHeaderSize), SEEK_SET) < 0) return 0;
  size_t got = 0;
  return ReadExactly(reader->fd, buffer, size, got) && got == size ? 1 : 0;
}

constexpr const char16_t* kSaveCvnFailed = u"另存为 CVN 失败";
constexpr const char16_t* kSaveCvnCaption = u"另存为 CVN";

// Writes the document after a provisional header, then completes the header.
bool WriteCvnBody(int fd) {
  if (!WriteCvnHeader(fd, 0)) return false;
  FileWriter writer = MakeFileWriter(fd);
  if (!SaveDocumentToFile(g_session.document, writer, kSaveNoIncremental)) return false;
  auto size = FileSizeOf(fd);
  if (!size || *size <= 24 || *size - kCvnHeaderSize > kCvnMaxPdfLength) return false;
  return WriteCvnHeader(fd, *size - kCvnHeaderSize) && FlushFile(fd);
}

// Reads the written file back through a fresh reader and compares the page count.
bool VerifyCvnFile(const std::u16string& path) {
  CvnReader reader;
  if (OpenCvnReader(reader, path) != kCvnOk) return false;
  ScopedDocument document(g_engine.FPDF_LoadCustomDocument(&reader.fileAccess, nullptr));
  return document != nullptr && g_engine.FPDF_GetPageCount(document.get()) == g_session.pageCount;
}

}  // namespace

CvnReader::~CvnReader() { CloseFile(fd); }

CvnOpenResult OpenCvnReader(CvnReader& reader, const std::u16string& path) {
  reader.fd = OpenForReading(path);
  if (reader.fd < 0) return kCvnIoError;
  auto size = FileSizeOf(reader.fd);
  if (!size) return kCvnIoError;
  if (*size <= 24) return kCvnInvalid;
  unsigned char header[kCvnHeaderSize];
  size_t got = 0;
  if (!ReadExactly(reader.fd, header, sizeof header, got)) return kCvnIoError;
  if (got < sizeof header || std::memcmp(header, kCvnMagic, sizeof kCvnMagic) != 0) return kCvnInvalid;
  if (ReadLe32(header + 8) != kCvnVersion) return kCvnUnsupportedVersion;
  uint64_t pdfLength = ReadLe64(header + 12);
  if (pdfLength <= 4 || *size - kCvnHeaderSize != pdfLength) return kCvnInvalid;
  if (pdfLength > kCvnMaxPdfLength) return kCvnTooLarge;
  unsigned char start[5];
  if (!ReadExactly(reader.fd, start, sizeof start, got)) return kCvnIoError;
  if (got < sizeof start || std::memcmp(start, "%PDF-", 5) != 0) return kCvnInvalid;
  reader.pdfLength = pdfLength;
  reader.fileAccess.m_FileLen = (unsigned long)pdfLength;
  reader.fileAccess.m_GetBlock = ReadBlock;
  reader.fileAccess.m_Param = &reader;
  return kCvnOk;
}

std::u16string CvnOpenErrorMessage(CvnOpenResult result) {
  switch (result) {
    case kCvnIoError:
      return u"无法读取 CVN 文件，请检查文件和访问权限。";
    case kCvnUnsupportedVersion:
      return u"此 CVN 版本不受支持。";
    case kCvnTooLarge:
      return u"CVN 文档超过当前引擎支持的大小。";
    default:
      return u"CVN 文件无效或已损坏。";
  }
}

bool WriteCvnHeader(int fd, uint64_t pdfLength) {
  unsigned char header[kCvnHeaderSize];
  std::memcpy(header, kCvnMagic, sizeof kCvnMagic);
  WriteLe(header + 8, kCvnVersion, 4);
  WriteLe(header + 12, pdfLength, 8);
  if (::lseek(fd, 0, SEEK_SET) != 0) return false;
  return WriteAll(fd, header, sizeof header) && ::lseek(fd, 0, SEEK_END) >= 0;
}

bool SaveAsCvn() {
  if (g_session.document == nullptr) {
    ShowMessage(kSaveCvnCaption, u"请先打开或新建文档。", MessageIcon::Warning);
    return false;
  }
  if (g_engine.FPDF_LoadCustomDocument == nullptr) {
    ShowMessage(kSaveCvnFailed, u"当前 PDF 组件不支持打开 CVN 文件，不能保存此格式。", MessageIcon::Error);
    return false;
  }
  FileDialogRequest request;
  request.save = true;
  request.filters = {{u"Corvan CVN 文件 (*.cvn)", u"*.cvn"}};
  request.defaultName = DefaultSaveName(u".cvn", u"未命名.cvn");
  request.folder = FolderPart(g_session.path);  // beside the document
  request.defaultExtension = u"cvn";
  request.confirmOverwrite = true;
  auto chosen = ShowFileDialog(request);
  if (!chosen) return false;
  const std::u16string target = FollowLinks(*chosen);
  if (LowerExtension(*chosen) != u".cvn") {
    ShowMessage(kSaveCvnCaption, u"请使用 .cvn 扩展名保存。", MessageIcon::Warning);
    return false;
  }
  if (IsSessionPath(target)) {
    ShowMessage(kSaveCvnCaption, u"为保护原文件，请选择另一个文件名保存 CVN 副本。", MessageIcon::Warning);
    return false;
  }
  if (!CommitPageContent()) {
    ShowMessage(kSaveCvnFailed, u"页面内容生成失败，CVN 文件未保存。", MessageIcon::Error);
    return false;
  }

  TempFile temporary = CreateSaveTemporary(target);
  if (temporary.fd < 0) {
    ShowMessage(kSaveCvnFailed, u"无法创建 CVN 临时文件，原文件未更改。", MessageIcon::Error);
    return false;
  }
  bool ok = WriteCvnBody(temporary.fd);
  CloseFile(temporary.fd);
  ok = ok && VerifyCvnFile(temporary.path);
  bool replaced = false;
  int error = ok ? ReplaceFileWriteThrough(temporary.path, target, &replaced) : 0;
  if (replaced && error != 0) {
    ReportUnflushedCopy(kSaveCvnCaption, target, error);
    return false;
  }
  if (!ok || error != 0) {
    RemoveFile(temporary.path);
    ShowMessage(kSaveCvnFailed,
                u"无法保存 CVN 文件；原文件未更改。请检查磁盘空间、访问权限和文件大小（最大约 4 GB）。",
                MessageIcon::Error);
    return false;
  }
  AdoptSavedPath(target, u"已保存 CVN 文件（保留完整文档及矢量图形）");
  return true;
}
