#include "document/office_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "platform/text_encoding.h"

bool (*g_convertOfficeToPdf)(const std::u16string& input, OfficeConversion& record) = nullptr;

bool IsWordDocument(const std::u16string& path) {
  std::u16string ext = LowerExtension(path);
  return ext == u".doc" || ext == u".docx";
}

bool IsConvertibleOffice(const std::u16string& path) {
  std::u16string ext = LowerExtension(path);
  return IsWordDocument(path) || ext == u".ppt" || ext == u".pptx" || ext == u".pptm" ||
         ext == u".pps" || ext == u".ppsx" || ext == u".ppsm";
}

bool IsOtherOfficeType(const std::u16string& path) {
  static const char16_t* const kTypes[] = {u".dot", u".dotx", u".xls", u".xlsx", u".xlsm",
                                           u".csv", u".odt",  u".ods", u".odp"};
  std::u16string ext = LowerExtension(path);
  for (const char16_t* type : kTypes) {
    if (ext == type) return true;
  }
  return false;
}

void DeleteConversionFolder(const std::u16string& folder) {
  std::string native = Utf8(folder);
  if (DIR* dir = opendir(native.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string child = native + "/" + entry->d_name;
      struct stat st {};
      if (lstat(child.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) unlink(child.c_str());
    }
    closedir(dir);
  }
  rmdir(native.c_str());
}

void DiscardConversion(OfficeConversion& record) {
  if (!record.adopted && !record.outputFolder.empty()) DeleteConversionFolder(record.outputFolder);
  record = OfficeConversion{};
}

