// File-system primitives the document code needs: temporary files, whole writes,
// write-through replacement, and path pieces. Paths are UTF-16 at this seam.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct TempFile {
  int fd = -1;
  std::u16string path;
};

// The user's temporary directory: TMPDIR, else /tmp.
std::optional<std::u16string> TempDirectory();
// Creates a new, exclusively opened file "<dir>/<prefix>XXXXXX.tmp"; fd -1 on failure
// (errno tells why).
TempFile CreateUniqueTempFile(const std::u16string& prefix);
// The same in a given folder: "<folder>/<prefix>XXXXXX.tmp", private to the user.
TempFile CreateUniqueFileIn(const std::u16string& folder, const std::u16string& prefix);
// Opens a file for writing: exclusive creation (createNew) or create-always with truncation.
int OpenForWriting(const std::u16string& path, bool createNew);
// "<target><suffix>" beside the target, the target's name shortened (at a character boundary)
// so that the whole name fits the folder's limit: a temporary fits wherever its target does.
std::string SiblingName(const std::u16string& target, const std::string& suffix);
// A new, exclusively created file "<target>-XXXXXX.tmp" beside the target (see SiblingName), carrying the
// permission bits the target has (or that a new file would get); fd -1 on failure (errno).
TempFile CreateSaveTemporary(const std::u16string& target);
// Deletes the temporaries an ended save left beside `target` (killed while writing): only names
// of CreateSaveTemporary's pattern, only regular files of this user no running save holds.
int RemoveStaleSaveTemporaries(const std::u16string& target);
// Gives an open file the permission bits of the file it will replace (a new file's default
// when there is none), so a private file stays private.
bool GiveTargetPermissions(int fd, const std::u16string& target);
int OpenForReading(const std::u16string& path);
// Writes every byte; false on any failure or short write.
bool WriteAll(int fd, const void* data, size_t size);
bool FlushFile(int fd);
void CloseFile(int fd);
std::optional<uint64_t> FileSizeOf(int fd);
std::optional<uint64_t> FileSizeAt(const std::u16string& path);
bool FileExists(const std::u16string& path);
bool IsDirectory(const std::u16string& path);
bool RemoveFile(const std::u16string& path);
// Renames source over target and flushes the containing folder; returns 0 or errno. A folder
// that cannot be flushed is a failure: the new name may not survive a power loss. `replaced`
// tells whether the rename happened (the target then holds the new file, flushed or not).
int ReplaceFileWriteThrough(const std::u16string& source, const std::u16string& target, bool* replaced = nullptr);
// Flushes an open folder; replaceable so that a failing disk can be provoked.
extern int (*g_syncFolder)(int folderFd);
// Free bytes for an unprivileged user in the folder's file system.
std::optional<uint64_t> FreeSpaceIn(const std::u16string& folder);
// Renames source over target without waiting for the disk (settings: a registry write is not
// synchronous either, and waiting for two flushes would hold up every document opening).
int ReplaceFile(const std::u16string& source, const std::u16string& target);
// The file a symbolic link finally points to (a link to a link is followed too); the path
// itself when it is no link. The target need not exist.
std::u16string FollowLinks(const std::u16string& path);
// The absolute, lexically normalised form of a path (no symbolic links resolved).
std::optional<std::u16string> FullPath(const std::u16string& path);
std::optional<std::string> ReadWholeFile(const std::u16string& path);

// The part after the last separator (the whole path when there is none).
std::u16string FileNamePart(const std::u16string& path);
// The folder part before the last separator, or empty.
std::u16string FolderPart(const std::u16string& path);
// The file name without its extension (a dot only counts inside the file name).
std::u16string FileNameWithoutExtension(const std::u16string& path);
// The lower-cased extension including its dot, or empty.
std::u16string LowerExtension(const std::u16string& path);
// The directory holding the running executable; empty when it cannot be determined.
std::u16string ExecutableDirectory();
