// A seam under the file I/O, for tests only: every read, write, sync,
// truncation, creation and removal the engine makes passes the installed
// IoFaults first, which may fail it with an errno (after letting a write
// through in part), or stop the process's work altogether by throwing
// something the engine does not catch (a simulated power cut). After each
// operation that changed the disk it hears of it, so that a test can work
// out what a disk keeps after a power loss: what was synced, plus any subset
// of what was not. Nothing is installed outside tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace jet {

enum class IoOp { Read, Write, Sync, Truncate, Create, Remove, SyncFolder };

class IoFaults {
 public:
  virtual ~IoFaults() = default;
  // Before the operation: 0 to go ahead, or the errno to fail with. For a
  // write, `length` (the whole write) may be lowered: that many bytes are
  // written before the failure.
  virtual int Before(IoOp op, const std::string& path, std::uint64_t offset, std::size_t& length) = 0;
  // After an operation that changed the disk (Write with the bytes written,
  // Truncate with the new size as `offset`, Create, Remove, Sync, SyncFolder).
  virtual void After(IoOp op, const std::string& path, std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
};

// Installs `faults` for every file of the process (nullptr removes them).
void InstallIoFaults(IoFaults* faults);

}  // namespace jet
