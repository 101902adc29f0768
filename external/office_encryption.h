// Whether an Office file is protected by a password: encrypted Word 2007 and PowerPoint 2007
// files are compound files holding an "EncryptionInfo" stream, encrypted PowerPoint 97 files
// an "EncryptedSummary" stream, and encrypted Word 97 files mark it in their file header.
#pragma once

#include <string>

bool IsEncryptedOfficeFile(const std::u16string& path);
