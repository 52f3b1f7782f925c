#include "fault_disk.h"

#include <cerrno>
#include <fstream>
#include <iterator>

namespace jetwritetest {
namespace {

std::vector<std::uint8_t> ReadWhole(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Apply(std::vector<std::uint8_t>& data, jet::IoOp op, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
  if (op == jet::IoOp::Truncate) {
    data.resize(offset);
    return;
  }
  if (data.size() < offset + bytes.size()) data.resize(offset + bytes.size(), 0);
  std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string FolderOf(const std::string& path) { return std::filesystem::path(path).parent_path().string(); }

}  // namespace

FaultDisk::FaultDisk() { jet::InstallIoFaults(this); }
FaultDisk::~FaultDisk() { jet::InstallIoFaults(nullptr); }

void FaultDisk::FailNth(jet::IoOp op, int n, int error, std::size_t keep) {
  failOp_ = op;
  failAt_ = counts_[op] + n;
  failError_ = error;
  failKeep_ = keep;
}

void FaultDisk::CutAtWrite(int n) { cutAt_ = counts_[jet::IoOp::Write] + n; }

int FaultDisk::Count(jet::IoOp op) const {
  auto it = counts_.find(op);
  return it == counts_.end() ? 0 : it->second;
}

void FaultDisk::Watch(const std::filesystem::path& file) {
  Snapshot s;
  s.exists = std::filesystem::exists(file);
  if (s.exists) s.data = ReadWhole(file);
  watched_[file.string()] = std::move(s);
}

int FaultDisk::Before(jet::IoOp op, const std::string&, std::uint64_t, std::size_t& length) {
  if (cut_) return EIO;
  int n = ++counts_[op];
  if (op == jet::IoOp::Write && cutAt_ != 0 && n >= cutAt_) {
    cut_ = true;
    return EIO;
  }
  if (failOp_ == op && n == failAt_) {
    if (op == jet::IoOp::Write) length = std::min(length, failKeep_);
    return failError_;
  }
  return 0;
}

void FaultDisk::After(jet::IoOp op, const std::string& path, std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (op == jet::IoOp::Read) return;
  events_.push_back({op, path, offset, {data.begin(), data.end()}});
}

void FaultDisk::PowerLoss(std::mt19937& rng) {
  std::bernoulli_distribution keep(0.5);
  for (auto& [path, start] : watched_) {
    Snapshot durable = start;
    std::vector<const Event*> pendingData;
    std::vector<bool> pendingExists;
    for (const Event& e : events_) {
      bool mine = e.path == path;
      bool folder = e.op == jet::IoOp::SyncFolder && e.path == FolderOf(path);
      if (!mine && !folder) continue;
      switch (e.op) {
        case jet::IoOp::Write:
        case jet::IoOp::Truncate: pendingData.push_back(&e); break;
        case jet::IoOp::Create:
          pendingExists.push_back(true);
          pendingData.push_back(&e);  // a new file starts empty
          break;
        case jet::IoOp::Remove: pendingExists.push_back(false); break;
        case jet::IoOp::Sync:
          for (const Event* d : pendingData) {
            if (d->op == jet::IoOp::Create) durable.data.clear();
            else Apply(durable.data, d->op, d->offset, d->data);
          }
          pendingData.clear();
          break;
        case jet::IoOp::SyncFolder:
          if (!pendingExists.empty()) durable.exists = pendingExists.back();
          pendingExists.clear();
          break;
        case jet::IoOp::Read: break;
      }
    }
    // Folder changes reach the disk in order: some prefix of them did.
    bool exists = durable.exists;
    std::size_t done = std::uniform_int_distribution<std::size_t>(0, pendingExists.size())(rng);
    if (done > 0) exists = pendingExists[done - 1];
    std::vector<std::uint8_t> data = durable.data;
    for (const Event* d : pendingData) {
      if (!keep(rng)) continue;
      if (d->op == jet::IoOp::Create) data.clear();
      else Apply(data, d->op, d->offset, d->data);
    }
    std::filesystem::remove(path);
    if (exists) {
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
  }
  events_.clear();
  cut_ = false;
  cutAt_ = 0;
}

}  // namespace jetwritetest
