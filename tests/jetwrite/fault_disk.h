// A failing disk for the writer's tests, under the engine's file I/O
// (jet/io_faults.h): it fails the Nth operation of a kind, lets a write
// through in part first, or cuts the power at the Nth write. After a cut
// every operation fails with EIO and none reaches the disk; PowerLoss() then
// lays down in the watched files what a disk keeps: what was synced, plus a
// random subset of what was not (unsynced writes kept or dropped in any
// mix, which is also what reordering gives), and a file made or removed
// stays so only when its folder was synced after or by chance.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "jet/io_faults.h"

namespace jetwritetest {

class FaultDisk : public jet::IoFaults {
 public:
  FaultDisk();
  ~FaultDisk() override;
  FaultDisk(const FaultDisk&) = delete;
  FaultDisk& operator=(const FaultDisk&) = delete;

  // Fails operation `n` (1 = the next) of kind `op` with `error`; a write
  // lets `keep` bytes through first.
  void FailNth(jet::IoOp op, int n, int error, std::size_t keep = 0);
  // Cuts the power at write `n` (1 = the next): that write and everything
  // after it never happen.
  void CutAtWrite(int n);
  // Operations of a kind seen so far.
  int Count(jet::IoOp op) const;

  // Files whose fate a power loss decides; their state now counts as synced.
  void Watch(const std::filesystem::path& file);
  // Rewrites every watched file as the disk keeps it after the cut.
  void PowerLoss(std::mt19937& rng);

  int Before(jet::IoOp op, const std::string& path, std::uint64_t offset, std::size_t& length) override;
  void After(jet::IoOp op, const std::string& path, std::uint64_t offset,
             std::span<const std::uint8_t> data) override;

 private:
  struct Event {
    jet::IoOp op;
    std::string path;
    std::uint64_t offset;
    std::vector<std::uint8_t> data;
  };
  struct Snapshot {
    bool exists = false;
    std::vector<std::uint8_t> data;
  };
  std::map<jet::IoOp, int> counts_;
  std::optional<jet::IoOp> failOp_;
  int failAt_ = 0;
  int failError_ = 0;
  std::size_t failKeep_ = 0;
  int cutAt_ = 0;  // a write number; 0 = no cut
  bool cut_ = false;
  std::map<std::string, Snapshot> watched_;
  std::vector<Event> events_;
};

}  // namespace jetwritetest
