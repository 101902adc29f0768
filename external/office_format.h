// Which LibreOffice import filter reads an Office file. The file's first bytes decide (a Word 97
// file saved as .docx, RTF or HTML saved as .doc); the extension only picks between Word and
// presentation filters when the content does not tell. A forced filter keeps LibreOffice from
// reading unknown content as plain text, so damaged files are still refused.
#pragma once

#include <string>

std::u16string ImportFilterFor(const std::u16string& path);
