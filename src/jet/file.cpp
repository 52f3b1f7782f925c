#include "jet/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "jet/error.h"
#include "jet/io_faults.h"

namespace jet {
namespace {

[[noreturn]] void Fail(const std::string& description) { throw Error(kOpenFailed, description); }

[[noreturn]] void FailIo(const std::string& path, const char* action) {
  Fail("Disk or network error while " + std::string(action) + " '" + path + "': " + std::strerror(errno) + ".");
}

IoFaults* installedFaults = nullptr;

// Asks the installed faults about an operation; sets errno and returns false
// when it is to fail. `length` may come back lower (a write cut short).
bool Allowed(IoOp op, const std::string& path, std::uint64_t offset, std::size_t& length) {
  if (!installedFaults) return true;
  int error = installedFaults->Before(op, path, offset, length);
  if (error == 0) return true;
  errno = error;
  return false;
}
bool Allowed(IoOp op, const std::string& path, std::uint64_t offset = 0) {
  std::size_t length = 0;
  return Allowed(op, path, offset, length);
}
void Done(IoOp op, const std::string& path, std::uint64_t offset = 0, std::span<const std::uint8_t> data = {}) {
  if (installedFaults) installedFaults->After(op, path, offset, data);
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void InstallIoFaults(IoFaults* faults) { installedFaults = faults; }

File::File(const std::string& path, FileMode mode) : path_(path) {
  if (path.empty()) Fail("Could not find file ''. No database file was given.");
  if (mode == FileMode::Create) {
    bool existed = ::access(path.c_str(), F_OK) == 0;
    if (!existed && !Allowed(IoOp::Create, path)) FailIo(path, "creating");
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) FailIo(path, "creating");
    writable_ = true;
    if (!existed) Done(IoOp::Create, path);
    // Known, so that a journal kept open can tell whether its path still names it.
    struct stat st;
    if (::fstat(fd_, &st) == 0) {
      device_ = st.st_dev;
      inode_ = st.st_ino;
    }
    return;
  }
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  writable_ = fd_ >= 0;
  if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0 && errno == EISDIR) Fail("'" + path + "' is a folder, not a database file.");
  if (fd_ < 0) {
    if (errno == ENOENT || errno == ENOTDIR) Fail("Could not find file '" + path + "'.");
    if (errno == EACCES || errno == EPERM)
      Fail("Cannot open the file '" + path + "': you need permission to read it.");
    FailIo(path, "opening");
  }
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    const int failure = errno;
    ::close(fd_);
    fd_ = -1;
    errno = failure;
    FailIo(path, "opening");
  }
  device_ = st.st_dev;
  inode_ = st.st_ino;
  // A folder never opens for writing (EISDIR above); only a read-only open
  // can have reached one.
  if (!writable_ && S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    Fail("'" + path + "' is a folder, not a database file.");
  }
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t File::Size() const {
  struct stat st;
  if (::fstat(fd_, &st) != 0) FailIo(path_, "reading");
  return static_cast<std::uint64_t>(st.st_size);
}

bool File::IsAtPath() const {
  struct stat st;
  return inode_ != 0 && ::stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

void File::CheckStillAtPath() const {
  if (IsAtPath()) return;
  Fail("The file '" + path_ + "' was replaced, moved or deleted while it was open: the changes before went to the "
       "file that was opened, and nothing more is written.");
}

std::size_t File::ReadAt(std::uint64_t offset, std::span<std::uint8_t> data) const {
  if (!Allowed(IoOp::Read, path_, offset)) FailIo(path_, "reading");
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::pread(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailIo(path_, "reading");
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t File::ReadAt(std::uint64_t offset, std::span<const std::span<std::uint8_t>> blocks) const {
  if (!Allowed(IoOp::Read, path_, offset)) FailIo(path_, "reading");
  std::vector<iovec> pieces;
  for (std::span<std::uint8_t> b : blocks) pieces.push_back({b.data(), b.size()});
  ssize_t n;
  do {
    n = ::preadv(fd_, pieces.data(), static_cast<int>(pieces.size()), static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  if (n < 0) FailIo(path_, "reading");
  std::size_t done = static_cast<std::size_t>(n);
  // After a short read the rest goes block by block, which stops at the end of the file.
  std::size_t start = 0;  // of the current block in the run
  for (std::span<std::uint8_t> b : blocks) {
    if (done < start + b.size()) {
      done += ReadAt(offset + done, b.subspan(done - start));
      if (done < start + b.size()) break;
    }
    start += b.size();
  }
  return done;
}

void File::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (!writable_) Fail("Cannot update '" + path_ + "': the database is read-only.");
  std::size_t allowed = data.size();
  bool fails = !Allowed(IoOp::Write, path_, offset, allowed);
  int error = errno;
  std::size_t done = 0;
  while (done < std::min(allowed, data.size())) {
    ssize_t n = ::pwrite(fd_, data.data() + done, std::min(allowed, data.size()) - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FailIo(path_, "writing");
    done += static_cast<std::size_t>(n);
  }
  Done(IoOp::Write, path_, offset, data.first(done));
  if (fails) {
    errno = error;
    FailIo(path_, "writing");
  }
}

void File::Truncate(std::uint64_t size) {
  if (!Allowed(IoOp::Truncate, path_, size) || ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    FailIo(path_, "writing");
  Done(IoOp::Truncate, path_, size);
}

void File::Sync() {
  if (!writable_) return;
  if (!Allowed(IoOp::Sync, path_) || ::fsync(fd_) != 0) FailIo(path_, "flushing");
  Done(IoOp::Sync, path_);
}

bool File::Remove(const std::string& path) {
  if (!Allowed(IoOp::Remove, path)) FailIo(path, "removing");
  if (::unlink(path.c_str()) != 0) {
    if (errno == ENOENT) return false;
    FailIo(path, "removing");
  }
  Done(IoOp::Remove, path);
  return true;
}

bool File::Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

void File::SyncFolderOf(const std::string& path) {
  std::string folder = FolderOf(path);
  if (!Allowed(IoOp::SyncFolder, folder)) FailIo(folder, "flushing");
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) FailIo(folder, "flushing");
  int rc = ::fsync(fd);
  int error = errno;
  ::close(fd);
  errno = error;
  if (rc != 0) FailIo(folder, "flushing");
  Done(IoOp::SyncFolder, folder);
}

void File::Lock(LockMode mode, std::chrono::milliseconds wait) {
  using namespace std::chrono;
  auto deadline = steady_clock::now() + wait;
  for (;;) {
    int rc;
    if (!useFlock_) {
      struct flock fl {};
      fl.l_type = mode == LockMode::Shared ? F_RDLCK : F_WRLCK;
      fl.l_whence = SEEK_SET;
      rc = ::fcntl(fd_, F_OFD_SETLK, &fl);
      if (rc != 0 && errno == EINVAL) {
        useFlock_ = true;
        continue;
      }
      // A read-only descriptor cannot take a write lock; writing fails later with its own message.
      if (rc != 0 && errno == EBADF && mode == LockMode::Exclusive) return Lock(LockMode::Shared, wait);
    } else {
      rc = ::flock(fd_, (mode == LockMode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB);
    }
    if (rc == 0) return;
    if (errno != EAGAIN && errno != EACCES && errno != EWOULDBLOCK && errno != EINTR) FailIo(path_, "locking");
    if (steady_clock::now() >= deadline)
      Fail("The database '" + path_ + "' is in use by another process; try again later.");
    std::this_thread::sleep_for(kLockRetryInterval);
  }
}

void File::Unlock() {
  if (!useFlock_) {
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    ::fcntl(fd_, F_OFD_SETLK, &fl);
  } else {
    ::flock(fd_, LOCK_UN);
  }
}

namespace {

// The folder part and the name part of a path.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

[[noreturn]] void CannotCreate(const std::string& path, const std::string& why) {
  Fail("Could not create '" + path + "': " + why + ".");
}

}  // namespace

NewFile::NewFile(const std::string& path) : path_(path) {
  if (path.empty()) Fail("Could not create a database: no file name was given.");
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) CannotCreate(path, S_ISDIR(st.st_mode) ? "it is a folder" : "the file already exists");
  auto [folder, name] = SplitPath(path);
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", random());
    temporary_ = folder + "/." + name + "." + suffix + ".new";
    int fd = ::open(temporary_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return;
    }
    if (errno == EEXIST && attempt < 100) continue;
    if (errno == ENOENT || errno == ENOTDIR) CannotCreate(path, "the folder '" + folder + "' does not exist");
    if (errno == EACCES || errno == EPERM || errno == EROFS)
      CannotCreate(path, "you need permission to write in the folder '" + folder + "'");
    CannotCreate(path, std::strerror(errno));
  }
}

NewFile::~NewFile() {
  if (!published_) ::unlink(temporary_.c_str());
}

void NewFile::Publish() {
  if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, path_.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno == EEXIST) CannotCreate(path_, "the file already exists");
    if (errno != EINVAL && errno != ENOSYS) CannotCreate(path_, std::strerror(errno));
    // A file system without that rename: a hard link refuses an existing name just as well.
    if (::link(temporary_.c_str(), path_.c_str()) != 0)
      CannotCreate(path_, errno == EEXIST ? "the file already exists" : std::strerror(errno));
    ::unlink(temporary_.c_str());
  }
  published_ = true;
  int folder = ::open(SplitPath(path_).first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

}  // namespace jet
