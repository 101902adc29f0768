// Whether two paths name the same file. Path strings are no guide on this platform: "..",
// symbolic and hard links, and relative spellings all reach one file, while names that
// differ only in letter case are different files.
#pragma once

#include <string>

// The same existing file (device and inode), or, when either does not exist yet, the same
// name in the same canonical folder.
bool SameFile(const std::u16string& a, const std::u16string& b);
// The canonical folder plus the file name; empty when the folder cannot be resolved.
std::u16string CanonicalLocation(const std::u16string& path);
