// The rollback journal. Before a change writes over a page of the database,
// the page's bytes as they were go to "<database>-journal" beside it, so
// that a change cut short (a killed process, a failed write, a power loss)
// is undone at the next open, by whichever process opens the file next.
//
// Layout, integers little-endian:
//   header, 32 bytes: "TBJOURNL", u32 version (1), u32 page size (4096),
//     u64 the database's size in bytes before the change, u32 salt, u32
//     CRC-32 of bytes 0..27;
//   records from byte 32, 4108 bytes each: u32 page number, u32 salt, the
//     page's 4096 bytes as they were on disk, u32 CRC-32 of the 4104 before.
// The salt, new for each change, keeps records that a reused journal still
// holds from an earlier change from being taken for this one's.
//
// A journal whose header is whole is hot: its change may have reached the
// database in part. Rolling back writes every whole record's page back in
// place, cuts the database to its old size, syncs it, and only then removes
// the journal. The first record that is cut short or fails its checksum ends
// the journal: nothing past it reached the database, since records are
// written (and, for a durable change, synced) before the pages they guard.
// A header cut short means the database was not touched: the journal is
// removed and nothing else done.
//
// A durable change (a batch) goes: records written and synced (the folder
// too when the journal is new, so that its name survives), pages written in
// place, the database synced, the journal removed and the folder synced.
// A change outside a batch skips the syncs: it is undone after a killed
// process or a failed write, and made durable by the sync that ends the
// user's command; instead of being removed, its journal's header is zeroed,
// which is cheaper, and the file removed when the database is closed. The
// zeroed journal also stays open: the next statement, once it holds the
// lock, checks that the path still names it and reads its header through
// it, instead of finding, opening and closing the file again.
//
// Only a process holding the database's exclusive lock writes, rolls back
// or removes a journal, and none releases that lock with a whole header on
// disk; so a whole header found by anyone holding the lock is hot.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "jet/file.h"
#include "jet/page.h"

namespace jet {

class Journal {
 public:
  explicit Journal(File& database);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  const std::string& Path() const { return path_; }

  // Whether a hot journal lies beside the database (call under the lock,
  // each time it is taken: it also lets go of a kept journal that the path
  // no longer names).
  bool IsHot();
  // Undoes the change a hot journal guards (call under the exclusive lock);
  // a torn journal is only removed.
  void RollBackHot();

  // Whether the open change has saved the page's old bytes already.
  bool Guards(std::uint32_t page) const;
  // Saves the page's bytes as they are on disk, unless the page lies past
  // the database's end when the change began (rolling back cuts those off).
  // `onDisk`, when given, holds those bytes already (as stored, encoded
  // if the file is), so the file is not read again. Takes effect at the
  // next Write().
  void Guard(std::uint32_t page, const std::uint8_t* onDisk = nullptr);
  // Writes the saved bytes; with `durable`, syncs them (and the folder, when
  // the journal is new) before returning.
  void Write(bool durable);

  // Ends the change: the database was synced (durable) or not.
  void Close(bool durable);
  // Undoes the open change from its records and ends it.
  void RollBack();
  bool Open() const { return open_; }

 private:
  void Start();
  void RollBackFrom(File& journal, std::uint64_t databaseSize, std::uint32_t salt);
  void Zero();

  File& database_;
  std::string path_;
  std::unique_ptr<File> file_;  // the journal, once made or found, while its path names it
  bool open_ = false;           // a change is under way
  bool written_ = false;        // its header is on disk
  bool syncedFolder_ = false;
  bool leftZeroed_ = false;  // a zeroed journal of ours lies beside the database
  std::uint64_t databaseSize_ = 0;
  std::uint32_t salt_ = 0;
  std::uint64_t end_ = 0;  // where the next record goes
  std::unordered_set<std::uint32_t> guarded_;
  std::vector<std::uint8_t> pending_;  // records not yet written
};

}  // namespace jet
