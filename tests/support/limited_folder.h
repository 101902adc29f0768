// Folders that refuse writes the way real disks do: a small filesystem that fills up, and a
// read-only one. As root a tmpfs is mounted; otherwise a file-size limit and permissions
// stand in. Unmounted and restored when the object goes away.
#pragma once

#include <string>

class LimitedFolder {
 public:
  // A folder where writing more than `bytes` in total fails with "no space" (or "too large").
  static LimitedFolder SizeLimited(const std::string& path, size_t bytes);
  // A folder that already holds `files` (name, content) and then refuses every change.
  static LimitedFolder ReadOnly(const std::string& path,
                                const std::initializer_list<std::pair<std::string, std::string>>& files);
  LimitedFolder(LimitedFolder&& other) noexcept;
  ~LimitedFolder();
  // False when the folder still accepts writes (root without the right to mount).
  bool RefusesWrites() const;
  // Arms the limit for file sizes when no filesystem could be mounted (no-op otherwise).
  void ArmWriteLimit() const;
  void DisarmWriteLimit() const;

 private:
  LimitedFolder() = default;
  std::string path_;
  bool mounted_ = false;
  bool chmodded_ = false;
  size_t limit_ = 0;
};
