// The database file on disk: whole-page reads and writes at page n * 4096,
// fsync, and the lock that one statement holds. The lock is an
// open-file-description lock (flock where those are missing), so closing some
// other descriptor of the same file in this process never drops it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace jet {

enum class LockMode { Shared, Exclusive };
// How often a statement waiting for the lock tries again.
inline constexpr std::chrono::milliseconds kLockRetryInterval{20};
// Existing: the database, read-write when allowed. Create: a file of our
// own beside it (the journal), made when missing, always read-write.
enum class FileMode { Existing, Create };

class File {
 public:
  // Opens read-write when allowed, read-only otherwise; throws jet::Error
  // (kOpenFailed) with Jet's description for a missing, unreadable or odd path.
  explicit File(const std::string& path, FileMode mode = FileMode::Existing);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::string& Path() const { return path_; }
  bool Writable() const { return writable_; }
  std::uint64_t Size() const;

  // Reads up to data.size() bytes at `offset`; returns how many were read.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> data) const;
  // Reads consecutive bytes from `offset` into the blocks in turn, with as
  // few system calls as the kernel allows; returns how many were read.
  std::size_t ReadAt(std::uint64_t offset, std::span<const std::span<std::uint8_t>> blocks) const;
  void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data);
  void Truncate(std::uint64_t size);
  void Sync();

  // Throws jet::Error (kOpenFailed) when the path no longer names the file
  // opened: it was deleted, renamed, or another file was moved over it. A
  // writer checks this under its lock, so that it never changes a file the
  // user can no longer see under that name.
  void CheckStillAtPath() const;
  // The same question without the error: whether the path names this file.
  bool IsAtPath() const;

  // Waits at most `wait` for the lock, then throws.
  void Lock(LockMode mode, std::chrono::milliseconds wait = std::chrono::seconds(5));
  void Unlock();

  // Removes the file at `path`; false when there was none.
  static bool Remove(const std::string& path);
  static bool Exists(const std::string& path);
  // Syncs the folder holding `path`, so that a file made or removed there
  // stays made or removed after a power loss.
  static void SyncFolderOf(const std::string& path);

 private:
  std::string path_;
  int fd_ = -1;
  bool writable_ = false;
  dev_t device_ = 0;  // which file was opened, to recognise it at the path
  ino_t inode_ = 0;
  bool useFlock_ = false;
};

// A database file that does not exist yet, made under a temporary name in
// the same folder so that a failure halfway leaves nothing under its name.
// Publish() gives it its name, never replacing a file that appeared
// meanwhile; a NewFile not published removes its temporary file.
class NewFile {
 public:
  // Throws jet::Error (kOpenFailed) when `path` exists or its folder cannot
  // take a new file.
  explicit NewFile(const std::string& path);
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  const std::string& TemporaryPath() const { return temporary_; }
  // Syncs the file's folder too, so that the name survives a crash.
  void Publish();

 private:
  std::string path_;
  std::string temporary_;
  bool published_ = false;
};

}  // namespace jet
