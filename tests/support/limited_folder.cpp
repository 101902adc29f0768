#include "support/limited_folder.h"

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "support/pdf_fixtures.h"

LimitedFolder LimitedFolder::SizeLimited(const std::string& path, size_t bytes) {
  LimitedFolder folder;
  folder.path_ = path;
  folder.limit_ = bytes;
  std::filesystem::create_directories(path);
  std::string options = "size=" + std::to_string(bytes);
  folder.mounted_ = ::mount("corvan-test", path.c_str(), "tmpfs", 0, options.c_str()) == 0;
  return folder;
}

LimitedFolder LimitedFolder::ReadOnly(const std::string& path,
                                      const std::initializer_list<std::pair<std::string, std::string>>& files) {
  LimitedFolder folder;
  folder.path_ = path;
  std::filesystem::create_directories(path);
  folder.mounted_ = ::mount("corvan-test", path.c_str(), "tmpfs", 0, "size=4m") == 0;
  for (const auto& [name, content] : files) WriteBytes(path + "/" + name, content);
  if (folder.mounted_) {
    ::mount(nullptr, path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
  } else {
    ::chmod(path.c_str(), 0555);
    folder.chmodded_ = true;
  }
  return folder;
}

bool LimitedFolder::RefusesWrites() const {
  std::string probe = path_ + "/.write-probe";
  FILE* file = std::fopen(probe.c_str(), "w");
  if (file == nullptr) return true;
  std::fclose(file);
  std::remove(probe.c_str());
  return false;
}

LimitedFolder::LimitedFolder(LimitedFolder&& other) noexcept
    : path_(std::move(other.path_)), mounted_(other.mounted_), chmodded_(other.chmodded_), limit_(other.limit_) {
  other.mounted_ = false;
  other.chmodded_ = false;
}

LimitedFolder::~LimitedFolder() {
  DisarmWriteLimit();
  if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  if (chmodded_) ::chmod(path_.c_str(), 0755);
}

void LimitedFolder::ArmWriteLimit() const {
  if (mounted_ || limit_ == 0) return;
  ::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = limit_;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}

void LimitedFolder::DisarmWriteLimit() const {
  if (mounted_ || limit_ == 0) return;
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = limit.rlim_max;
  ::setrlimit(RLIMIT_FSIZE, &limit);
}
