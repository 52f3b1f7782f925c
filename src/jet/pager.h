// Pages of the file's format (4096 bytes; 2048 in Access 97 files), page n at
// byte n * page size, through one cache. When the
// header sets a page-encoding key, every page but page 0 is stored RC4-encoded
// with the key (database key XOR page number, 4 bytes little-endian); the
// pager decodes on read and re-encodes on write, so layers above see plain
// pages only.
//
// Work happens inside statements. The first Statement opened on a pager takes
// the file lock (shared to read, exclusive to write), after rolling back a
// hot journal left by a change that was cut short (see journal.h); when the
// last one ends, the lock is released and every cached page dropped, so an
// idle connection holds neither, and the next statement sees what other
// processes wrote. The last pages a statement read are remembered with their
// versions, though: a page read again with the same bytes gets its version
// back, so that what a caller derived from it (an index page's layout) need
// not be derived anew. Changes stay in memory until Save() or Commit(), which
// first save the old bytes of every page they will write over in the
// journal, then write the dirty pages; a failed write undoes the whole
// change from the journal. A change ends with EndChange() (or Commit()); a
// batch keeps one change open over several statements, and makes it
// durable when it commits.
//
// Inside a batch, Save() keeps the pages in memory instead (held), so a
// page that many statements change is written once, when the batch
// commits. A statement that changes a held page works on a copy and keeps
// the bytes as the last Save() left them, so that DiscardUnsaved() can put
// them back; past kHeldPageLimit pages, Save() writes them out as before.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "jet/error.h"
#include "jet/file.h"
#include "jet/header.h"
#include "jet/journal.h"

namespace jet {

using PageBytes = std::array<std::uint8_t, kPageSize>;
using PageRef = std::shared_ptr<const PageBytes>;

class Pager {
 public:
  // Reads the file as `header` (which must outlive the pager) describes it.
  Pager(File& file, const Header& header);
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // One statement's hold on the file; see the comment at the top.
  class Statement {
   public:
    Statement(Pager& pager, LockMode mode);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    // Writes the changes made so far and ends the change durably: the
    // file synced, then its journal removed.
    void Commit();
    // Ends the statement's part of the change: written (the writer ends the
    // change, or syncs once per user command), or held in a batch.
    void Save();

   private:
    Pager& pager_;
  };

  const Header& FileHeader() const { return header_; }
  // Where the file's structures keep their fields; see format.h.
  const jet::Format& Format() const { return *header_.format; }
  std::size_t PageSize() const { return header_.format->pageSize; }

  // Ends the open change after its last Save(): durably (the file synced
  // first) or not (made durable by a later sync of the file).
  void EndChange(bool durable);
  // Forgets the changes not yet saved and undoes those already written in
  // the open change; the change ends.
  void Abandon();
  // Forgets the changes not yet saved; what earlier statements of a batch
  // saved stays, written or held.
  void DiscardUnsaved();

  // A batch: one change over several statements, held as each ends and
  // written when it commits; inside a statement that holds the exclusive
  // lock until CommitBatch or RollbackBatch. Its journal is synced before
  // any page is written over.
  void BeginBatch();
  void CommitBatch();
  void RollbackBatch();
  bool InBatch() const { return inBatch_; }
  // Numbers the batches, so that what is known only while one lasts can
  // tell that it has ended.
  std::uint64_t BatchNumber() const { return batchNumber_; }

  // Pages in the file (plus any allocated in this statement). Learnt from the
  // file's size on first use in a statement.
  std::uint32_t PageCount() const;
  // Whether the page is in the file (or was allocated in this statement);
  // asks the file only for a page not in the cache.
  bool Exists(std::uint32_t page) const { return cache_.count(page) || page < PageCount(); }

  // A page's decoded bytes (the first PageSize() of the buffer); throws
  // jet::Error when it lies beyond the file. The reference stays valid after
  // the page leaves the cache.
  PageRef Read(std::uint32_t page);
  // The same, with the page's Version(), in one lookup.
  PageRef Read(std::uint32_t page, std::uint64_t& version);
  // The same bytes, without keeping a page that is not cached already: for
  // a scan that visits each page once, so that it holds one page at a time.
  PageRef ReadOnce(std::uint32_t page);
  // Up to `count` consecutive pages from `first` the same way, with one read
  // from the file (a cached page comes from the cache): a scan's read-ahead.
  // Pages not read whole (at the end of the file) are left out, for the
  // single ReadOnce to report.
  std::vector<PageRef> ReadOnce(std::uint32_t first, std::size_t count);

  // Brings the pages not yet cached into the cache, each stretch of
  // consecutive pages with one read: for a caller that knows which pages it
  // is about to need. Pages beyond the file are left for Read to refuse.
  void Preload(std::vector<std::uint32_t> pages);

  // The page's bytes for changing; marks it dirty.
  std::uint8_t* Write(std::uint32_t page);

  // A number given anew whenever the page's bytes may change: each Write,
  // each load from the file, each return to bytes held before. What a caller
  // derived from a page holds while the number stays; 0 for a page not cached.
  std::uint64_t Version(std::uint32_t page) const {
    auto it = cache_.find(page);
    return it == cache_.end() ? 0 : it->second.version;
  }

  // A new zero-filled page, dirty, chosen by the allocator (by default the
  // next page past the end of the file). The writer installs an allocator
  // that takes pages from the global usage map.
  using Allocator = std::function<std::uint32_t(Pager&)>;
  void SetAllocator(Allocator allocator) { allocator_ = std::move(allocator); }
  std::uint32_t Allocate();
  // Appends a page past the end; what the default allocator does.
  std::uint32_t AppendPage();

  // Largest number of clean pages kept (dirty ones are not counted); more
  // are dropped on the next read.
  void SetCacheLimit(std::size_t pages) { cacheLimit_ = pages; }
  std::size_t CacheLimit() const { return cacheLimit_; }

 private:
  struct Entry {
    std::shared_ptr<PageBytes> bytes;
    bool dirty = false;
    bool fresh = false;     // allocated in this change and not yet written
    bool changing = false;  // changed since the last Save()
    // A held page being changed: its bytes and freshness as the last Save() left them.
    std::shared_ptr<PageBytes> saved = nullptr;
    bool savedFresh = false;
    std::uint64_t version = 0;  // see Version()
    // The bytes as the file holds them, kept from the page's first change in
    // this change for its journal record, so that it need not be read again.
    std::shared_ptr<const PageBytes> onDisk = nullptr;
  };

  // Dirty pages a batch holds in memory before it writes them all (64 MiB):
  // enough for the index pages of a million-row table, so that a batch of
  // rows with keys all over their trees writes and journals each page once.
  static constexpr std::size_t kHeldPageLimit = 16384;
  // Most pages whose bytes as on disk are kept for the journal (16 MiB);
  // past it the journal reads them from the file, as it must anyway for a
  // page already written over.
  static constexpr std::size_t kOnDiskImageLimit = 4096;
  // Buffers kept for CopyOf: more than one statement's pages most often.
  static constexpr std::size_t kSpareBuffers = 16;
  // Most clean pages remembered between statements (4 MiB): the nodes of
  // the trees an INSERT descends, beside the leaves of the latest ones.
  static constexpr std::size_t kRememberedPages = 1024;

  struct Remembered {
    std::shared_ptr<const PageBytes> bytes;
    std::uint64_t version;
  };

  void Begin(LockMode mode);
  void RecoverHotJournal(LockMode mode);
  void End();
  // Ends the open statement's part of the change; see Statement::Save.
  void Save();
  // Writes the dirty pages; `durable`: their journal is synced first.
  void Flush(bool durable);
  [[noreturn]] void FailedWrite(const Error& failure);
  void RequireUsable() const;
  void Code(std::uint32_t page, PageBytes& bytes) const;
  std::shared_ptr<PageBytes> NewPageBuffer() const;
  // A copy of `bytes` in a buffer a finished statement gave back, when one
  // is free: a batch copies each page a statement changes, and a row
  // changes a few, so the copies would otherwise cost an allocation each.
  std::shared_ptr<PageBytes> CopyOf(const PageBytes& bytes);
  // Keeps a held page's old bytes for the next copy, unless someone still reads them.
  void GiveBack(std::shared_ptr<PageBytes> bytes);
  void TrimCache();
  // Keeps the clean pages' versions for the next statement; see the top.
  void RememberCache();
  // A version for bytes just read from the file: the remembered one when
  // they are the bytes it was given for.
  std::uint64_t VersionOfRead(std::uint32_t page, const PageBytes& bytes);
  Entry& Load(std::uint32_t page);
  std::shared_ptr<PageBytes> ReadFromFile(std::uint32_t page) const;
  // Consecutive pages, decoded, with one read; only those read whole.
  std::vector<std::shared_ptr<PageBytes>> ReadRunFromFile(std::uint32_t first, std::size_t count) const;
  std::uint64_t NextVersion() { return ++lastVersion_; }

  File& file_;
  const Header& header_;
  std::uint32_t encodingKey_;
  int depth_ = 0;
  LockMode mode_ = LockMode::Shared;
  mutable std::uint32_t pageCount_ = 0;
  mutable bool pageCountKnown_ = false;
  std::unordered_map<std::uint32_t, Entry> cache_;
  std::unordered_map<std::uint32_t, Remembered> remembered_;  // see RememberCache
  std::vector<std::uint32_t> dirtyOrder_;
  std::vector<std::uint32_t> changing_;  // pages changed since the last Save()
  std::vector<std::shared_ptr<PageBytes>> spare_;  // see CopyOf
  std::size_t onDiskImages_ = 0;  // entries holding onDisk
  std::uint32_t heldPageCount_ = 0;      // PageCount() at the last Save() that held pages
  std::size_t cacheLimit_ = 8192;  // 32 MiB
  std::uint64_t lastVersion_ = 0;  // never reused, so no version outlives its page's bytes
  Allocator allocator_;
  Journal journal_;
  bool inBatch_ = false;
  std::uint64_t batchNumber_ = 0;
  bool broken_ = false;  // a failed write could not be undone: no more changes until the lock ends
};

}  // namespace jet
