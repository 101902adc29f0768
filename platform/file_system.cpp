#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/text_encoding.h"

namespace {

std::string Native(const std::u16string& path) { return Utf8(path); }

bool IsSeparator(char16_t c) {
#ifdef _WIN32
  return c == u'/' || c == u'\\';
#else
  return c == u'/';
#endif
}

size_t LastSeparator(const std::u16string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return i - 1;
  }
  return std::u16string::npos;
}

}  // namespace

std::optional<std::u16string> TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string value = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (value.size() >= PATH_MAX) return std::nullopt;
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  return Utf8ToUtf16(value);
}

TempFile CreateUniqueTempFile(const std::u16string& prefix) {
  auto dir = TempDirectory();
  if (!dir) {
    errno = ENAMETOOLONG;
    return {};
  }
  return CreateUniqueFileIn(*dir, prefix);
}

TempFile CreateUniqueFileIn(const std::u16string& folder, const std::u16string& prefix) {
  TempFile result;
  std::string pattern = Native(folder) + "/" + Native(prefix) + "XXXXXX.tmp";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = mkostemps(buffer.data(), 4, O_CLOEXEC);
  if (fd < 0) return result;
  result.fd = fd;
  result.path = Utf8ToUtf16(buffer.data());
  return result;
}

int RemoveStaleSaveTemporaries(const std::u16string& target) {
  std::string pattern = SiblingName(target, "-XXXXXX.tmp");
  size_t slash = pattern.rfind('/');
  std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash);
  std::string stem = pattern.substr(slash == std::string::npos ? 0 : slash + 1);
  stem.resize(stem.size() - 11);  // "-XXXXXX.tmp"
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return 0;
  int removed = 0;
  while (dirent* entry = ::readdir(directory)) {
    std::string name = entry->d_name;
    if (name.size() != stem.size() + 11 || name.compare(0, stem.size(), stem) != 0 ||
        name.compare(stem.size(), 1, "-") != 0 || name.compare(name.size() - 4, 4, ".tmp") != 0) {
      continue;
    }
    std::string path = folder + "/" + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    struct stat info {};
    // Only our own regular files, and only when no running save holds them.
    bool ours = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::getuid();
    if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0) ++removed;
    ::close(fd);
  }
  ::closedir(directory);
  return removed;
}

int OpenForWriting(const std::u16string& path, bool createNew) {
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (createNew ? O_EXCL : O_TRUNC);
  return ::open(Native(path).c_str(), flags, 0644);
}

bool GiveTargetPermissions(int fd, const std::u16string& target) {
  struct stat existing {};
  mode_t mode;
  if (::stat(Native(target).c_str(), &existing) == 0) {
    mode = existing.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  return ::fchmod(fd, mode) == 0;
}

std::string SiblingName(const std::u16string& target, const std::string& suffix) {
  std::string path = Native(target);
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string name = path.substr(folder.size());
  long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  size_t room = limit > 0 ? size_t(limit) : 255;
  room = room > suffix.size() ? room - suffix.size() : 0;
  if (name.size() > room) {
    // Cut before a UTF-8 continuation byte never: the name stays readable.
    size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return folder + name + suffix;
}

TempFile CreateSaveTemporary(const std::u16string& target) {
  TempFile result;
  std::string pattern = SiblingName(target, "-XXXXXX.tmp");
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = mkostemps(buffer.data(), 4, O_CLOEXEC);
  if (fd < 0) return result;
  if (!GiveTargetPermissions(fd, target)) {
    int error = errno;
    ::close(fd);
    ::unlink(buffer.data());
    errno = error;
    return result;
  }
  // Held while the copy is written: a later save beside it knows the file still has an owner.
  ::flock(fd, LOCK_EX | LOCK_NB);
  result.fd = fd;
  result.path = Utf8ToUtf16(buffer.data());
  return result;
}

int OpenForReading(const std::u16string& path) {
  return ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    size_t chunk = size > size_t(INT_MAX) ? size_t(INT_MAX) : size;
    ssize_t written = ::write(fd, bytes, chunk);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0 || size_t(written) != chunk) {
      if (written >= 0) errno = ENOSPC;
      return false;
    }
    bytes += written;
    size -= size_t(written);
  }
  return true;
}

bool FlushFile(int fd) { return ::fsync(fd) == 0; }

void CloseFile(int fd) {
  if (fd >= 0) ::close(fd);
}

std::optional<uint64_t> FileSizeOf(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return uint64_t(st.st_size);
}

std::optional<uint64_t> FileSizeAt(const std::u16string& path) {
  struct stat st {};
  if (::stat(Native(path).c_str(), &st) != 0) return std::nullopt;
  return uint64_t(st.st_size);
}

bool FileExists(const std::u16string& path) {
  struct stat st {};
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0;
}

bool IsDirectory(const std::u16string& path) {
  struct stat st {};
  return ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const std::u16string& path) {
  return !path.empty() && ::unlink(Native(path).c_str()) == 0;
}

int ReplaceFileWriteThrough(const std::u16string& source, const std::u16string& target, bool* replaced) {
  if (replaced != nullptr) *replaced = false;
  if (::rename(Native(source).c_str(), Native(target).c_str()) != 0) return errno;
  if (replaced != nullptr) *replaced = true;
  std::u16string folder = FolderPart(target);
  int dirFd = ::open(folder.empty() ? "." : Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return errno;
  int error = g_syncFolder(dirFd) == 0 ? 0 : (errno != 0 ? errno : EIO);
  ::close(dirFd);
  return error;
}

int (*g_syncFolder)(int folderFd) = ::fsync;

std::optional<uint64_t> FreeSpaceIn(const std::u16string& folder) {
  struct statvfs info {};
  if (::statvfs(Native(folder).c_str(), &info) != 0) return std::nullopt;
  return uint64_t(info.f_bavail) * uint64_t(info.f_frsize);
}

int ReplaceFile(const std::u16string& source, const std::u16string& target) {
  return ::rename(Native(source).c_str(), Native(target).c_str()) == 0 ? 0 : errno;
}

std::u16string FollowLinks(const std::u16string& path) {
  std::string current = Native(path);
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    std::vector<char> buffer(PATH_MAX);
    ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || size_t(n) >= buffer.size()) break;
    std::string link(buffer.data(), size_t(n));
    size_t slash = current.rfind('/');
    if (link[0] != '/' && slash != std::string::npos) link = current.substr(0, slash + 1) + link;
    current = link;
  }
  return Utf8ToUtf16(current);
}

std::optional<std::u16string> FullPath(const std::u16string& path) {
  auto utf8 = Utf16ToUtf8(path);
  if (!utf8) return std::nullopt;
  std::error_code error;
  auto absolute = std::filesystem::absolute(std::filesystem::path(*utf8), error);
  if (error) return std::nullopt;
  return Utf8ToUtf16(absolute.lexically_normal().string());
}

std::optional<std::string> ReadWholeFile(const std::u16string& path) {
  int fd = OpenForReading(path);
  if (fd < 0) return std::nullopt;
  std::string data;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, size_t(n));
  }
  ::close(fd);
  return data;
}

std::u16string FileNamePart(const std::u16string& path) {
  size_t sep = LastSeparator(path);
  return sep == std::u16string::npos ? path : path.substr(sep + 1);
}

std::u16string FolderPart(const std::u16string& path) {
  size_t sep = LastSeparator(path);
  if (sep == std::u16string::npos) return {};
  return sep == 0 ? path.substr(0, 1) : path.substr(0, sep);
}

std::u16string FileNameWithoutExtension(const std::u16string& path) {
  std::u16string name = FileNamePart(path);
  size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? name : name.substr(0, dot);
}

std::u16string LowerExtension(const std::u16string& path) {
  std::u16string name = FileNamePart(path);
  size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? std::u16string() : LowerAscii(name.substr(dot));
}

std::u16string ExecutableDirectory() {
  std::vector<char> buffer(32768);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || size_t(n) >= buffer.size()) return {};
  return FolderPart(Utf8ToUtf16(std::string(buffer.data(), size_t(n))));
}
