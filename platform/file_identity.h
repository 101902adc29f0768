// Whether two paths name the same file. Path strings are no guide on this platform: "..",
// symbolic and hard links, and relative spellings all reach one file, while names that
// differ only in letter case are different files.
#pragma once

#include <cstdint>
#include <string>

// Which file a path led to when it was looked at, and how it was then.
struct FileIdentity {
  bool known = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;  // last modification, nanoseconds since 1970
};

// Follows symbolic links; not known when the path leads nowhere.
FileIdentity IdentityOfFile(const std::u16string& path);
FileIdentity IdentityOfOpenFile(int fd);
// Both known and the same file (device and inode), whatever happened to its names since.
bool SameFileIdentity(const FileIdentity& a, const FileIdentity& b);
// The same file, also unchanged in length and modification time.
bool UnchangedFile(const FileIdentity& then, const FileIdentity& now);

// The same existing file (device and inode), or, when either does not exist yet, the same
// name in the same canonical folder.
bool SameFile(const std::u16string& a, const std::u16string& b);
// The canonical folder plus the file name; empty when the folder cannot be resolved.
std::u16string CanonicalLocation(const std::u16string& path);
