// Word and presentation files converted to PDF by LibreOffice in a private folder.
#pragma once

#include <string>

#include "document/office_files.h"

// `soffice` on the search path, or empty.
std::u16string FindLibreOffice();
// Converts a Word or presentation file with LibreOffice into a new private folder; true when a
// non-empty PDF came out (the record then names it). Shows its own messages; a run the user
// stopped with 取消 ends silently. The caller adopts or discards the record.
bool ConvertOfficeToPdf(const std::u16string& input, OfficeConversion& record);
