#include "jet/journal.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <random>

#include "jet/bytes.h"
#include "jet/crc32.h"
#include "jet/error.h"

namespace jet {
namespace {

constexpr char kMagic[8] = {'T', 'B', 'J', 'O', 'U', 'R', 'N', 'L'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kHeaderChecked = 28;
constexpr std::size_t kRecordSize = 4 + 4 + kPageSize + 4;
constexpr std::size_t kRecordChecked = kRecordSize - 4;

struct HeaderFields {
  std::uint64_t databaseSize;
  std::uint32_t salt;
};

// The header's fields when it is whole; nullopt for a torn or zeroed one.
std::optional<HeaderFields> ReadHeader(const File& journal) {
  std::array<std::uint8_t, kHeaderSize> h{};
  if (journal.ReadAt(0, h) != kHeaderSize) return std::nullopt;
  ByteSpan b(h);
  if (!std::equal(std::begin(kMagic), std::end(kMagic), h.begin()) || U32(b, 8) != kVersion ||
      U32(b, 12) != kPageSize || U32(b, kHeaderChecked) != Crc32(h.data(), kHeaderChecked))
    return std::nullopt;
  return HeaderFields{U64(b, 16), U32(b, 24)};
}

std::uint32_t NewSalt() {
  static std::mt19937 rng{std::random_device{}()};
  return static_cast<std::uint32_t>(rng());
}

}  // namespace

Journal::Journal(File& database) : database_(database), path_(database.Path() + "-journal") {}

Journal::~Journal() {
  // A zeroed journal left by changes outside a batch goes with the last
  // handle; only under the lock, since a live writer's journal must stay.
  if (!leftZeroed_) return;
  try {
    database_.Lock(LockMode::Exclusive, std::chrono::milliseconds(0));
    if (!IsHot()) File::Remove(path_);
    database_.Unlock();
  } catch (const Error&) {
    database_.Unlock();
  }
}

bool Journal::IsHot() {
  // Another process may have removed the journal, or made a new one, while
  // the lock was let go.
  if (file_ && !file_->IsAtPath()) file_.reset();
  if (!file_) {
    if (!File::Exists(path_)) return false;
    auto found = std::make_unique<File>(path_);
    if (!found->Writable()) return ReadHeader(*found).has_value();
    file_ = std::move(found);
  }
  return ReadHeader(*file_).has_value();
}

void Journal::RollBackHot() {
  file_.reset();
  if (!File::Exists(path_)) return;
  File journal(path_);
  if (std::optional<HeaderFields> header = ReadHeader(journal))
    RollBackFrom(journal, header->databaseSize, header->salt);
  File::Remove(path_);
  File::SyncFolderOf(path_);
}

void Journal::Start() {
  databaseSize_ = database_.Size();
  salt_ = NewSalt();
  try {
    // One kept open names the path still: IsHot checked when the lock was taken.
    if (!file_) file_ = std::make_unique<File>(path_, FileMode::Create);
  } catch (const Error& e) {
    // A folder we may not write to: no change goes ahead unguarded.
    throw Error(kOpenFailed, "Cannot update '" + database_.Path() + "': its journal cannot be made beside it. " +
                                 e.Description());
  }
  open_ = true;
  written_ = false;
  syncedFolder_ = false;
  guarded_.clear();
  pending_.assign(kHeaderSize, 0);
  std::copy(std::begin(kMagic), std::end(kMagic), pending_.begin());
  PutU32(&pending_[8], kVersion);
  PutU32(&pending_[12], kPageSize);
  PutU64(&pending_[16], databaseSize_);
  PutU32(&pending_[24], salt_);
  PutU32(&pending_[kHeaderChecked], Crc32(pending_.data(), kHeaderChecked));
  end_ = 0;
}

bool Journal::Guards(std::uint32_t page) const { return open_ && guarded_.count(page); }

void Journal::Guard(std::uint32_t page, const std::uint8_t* onDisk) {
  if (!open_) Start();
  if (!guarded_.insert(page).second) return;
  std::uint64_t at = std::uint64_t{page} * kPageSize;
  if (at + kPageSize > databaseSize_) return;
  std::size_t record = pending_.size();
  pending_.resize(record + kRecordSize);
  std::uint8_t* r = &pending_[record];
  PutU32(r, page);
  PutU32(r + 4, salt_);
  if (onDisk)
    std::copy(onDisk, onDisk + kPageSize, r + 8);
  else if (database_.ReadAt(at, std::span<std::uint8_t>(r + 8, kPageSize)) != kPageSize)
    ThrowDamaged("page " + std::to_string(page) + " is cut short");
  PutU32(r + kRecordChecked, Crc32(r, kRecordChecked));
}

void Journal::Write(bool durable) {
  if (!open_) return;
  if (!pending_.empty()) {
    file_->WriteAt(end_, pending_);
    end_ += pending_.size();
    pending_.clear();
    written_ = true;
    if (!durable) return;
    file_->Sync();
    if (!syncedFolder_) File::SyncFolderOf(path_);
    syncedFolder_ = true;
  }
}

void Journal::Close(bool durable) {
  if (!open_) return;
  if (durable) {
    File::Remove(path_);
    if (written_) File::SyncFolderOf(path_);
    file_.reset();
    leftZeroed_ = false;
  } else {
    if (written_) Zero();
    leftZeroed_ = true;  // Start made the file, if it was not there
  }
  open_ = false;
}

void Journal::RollBack() {
  if (!open_) return;
  pending_.clear();
  if (written_) {
    // From what this change knows, not the header, which a failed end of
    // the change may have zeroed already.
    RollBackFrom(*file_, databaseSize_, salt_);
  } else if (database_.Size() > databaseSize_) {
    database_.Truncate(databaseSize_);
  }
  file_.reset();
  open_ = false;
  File::Remove(path_);
  leftZeroed_ = false;
}

void Journal::Zero() {
  const std::array<std::uint8_t, kHeaderSize> zeros{};
  file_->WriteAt(0, zeros);
  leftZeroed_ = true;
}

void Journal::RollBackFrom(File& journal, std::uint64_t databaseSize, std::uint32_t salt) {
  std::vector<std::uint8_t> record(kRecordSize);
  for (std::uint64_t at = kHeaderSize;; at += kRecordSize) {
    if (journal.ReadAt(at, record) != kRecordSize) break;
    ByteSpan r(record);
    if (U32(r, 4) != salt || U32(r, kRecordChecked) != Crc32(record.data(), kRecordChecked)) break;
    database_.WriteAt(std::uint64_t{U32(r, 0)} * kPageSize, r.subspan(8, kPageSize));
  }
  if (database_.Size() > databaseSize) database_.Truncate(databaseSize);
  database_.Sync();
}

}  // namespace jet
