#include "platform/file_identity.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include "platform/file_system.h"
#include "platform/text_encoding.h"

std::u16string CanonicalLocation(const std::u16string& path) {
  auto full = FullPath(path);
  if (!full) return {};
  std::u16string folder = FolderPart(*full);
  char resolved[PATH_MAX];
  if (::realpath(Utf8(folder.empty() ? u"/" : folder).c_str(), resolved) == nullptr) return {};
  std::string canonical = resolved;
  if (canonical != "/") canonical += "/";
  return Utf8ToUtf16(canonical) + FileNamePart(*full);
}

bool SameFile(const std::u16string& a, const std::u16string& b) {
  if (a.empty() || b.empty()) return false;
  struct stat first {}, second {};
  bool firstExists = ::stat(Utf8(a).c_str(), &first) == 0;
  bool secondExists = ::stat(Utf8(b).c_str(), &second) == 0;
  if (firstExists && secondExists) return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  std::u16string firstLocation = CanonicalLocation(a);
  return !firstLocation.empty() && firstLocation == CanonicalLocation(b);
}

namespace {

FileIdentity FromStat(const struct stat& info) {
  FileIdentity identity;
  identity.known = true;
  identity.device = uint64_t(info.st_dev);
  identity.inode = uint64_t(info.st_ino);
  identity.size = uint64_t(info.st_size);
  identity.modifiedNs = int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return identity;
}

}  // namespace

FileIdentity IdentityOfFile(const std::u16string& path) {
  struct stat info {};
  if (path.empty() || ::stat(Utf8(path).c_str(), &info) != 0) return {};
  return FromStat(info);
}

FileIdentity IdentityOfOpenFile(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return {};
  return FromStat(info);
}

bool SameFileIdentity(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

bool UnchangedFile(const FileIdentity& then, const FileIdentity& now) {
  return SameFileIdentity(then, now) && then.size == now.size && then.modifiedNs == now.modifiedNs;
}
