// Word and presentation files are opened through a conversion to PDF in a private folder.
// Opening knows the file types and the conversion's record; the converter itself runs
// LibreOffice and is installed by the application.
#pragma once

#include <string>

struct OfficeConversion {
  std::u16string outputFolder;
  std::u16string outputPdf;
  bool adopted = false;
};

// ".doc", ".docx" and the presentation extensions.
bool IsConvertibleOffice(const std::u16string& path);
bool IsWordDocument(const std::u16string& path);
// Spreadsheets, templates and OpenDocument files: handed to the desktop's default program.
bool IsOtherOfficeType(const std::u16string& path);

// The converter opening uses (ConvertOfficeToPdf once the application installed it); when
// empty, opening a convertible file reports that no renderer is available.
extern bool (*g_convertOfficeToPdf)(const std::u16string& input, OfficeConversion& record);

// Deletes the files directly inside the folder, then the folder.
void DeleteConversionFolder(const std::u16string& folder);
// Deletes the record's folder unless the opened document adopted it.
void DiscardConversion(OfficeConversion& record);
