#include "jet/pager.h"

#include <algorithm>
#include <utility>

#include "jet/error.h"
#include "jet/rc4.h"

namespace jet {

Pager::Pager(File& file, const Header& header)
    : file_(file), header_(header), encodingKey_(header.encodingKey), journal_(file) {}

Pager::Statement::Statement(Pager& pager, LockMode mode) : pager_(pager) { pager_.Begin(mode); }
Pager::Statement::~Statement() { pager_.End(); }
void Pager::Statement::Commit() {
  pager_.Flush(true);
  pager_.EndChange(true);
}
void Pager::Statement::Save() { pager_.Save(); }

void Pager::Begin(LockMode mode) {
  if (depth_++ > 0) {
    if (mode == LockMode::Exclusive && mode_ != LockMode::Exclusive) {
      --depth_;
      throw Error(kStatementFailed, "A change was started inside a read of the same database.");
    }
    return;
  }
  try {
    file_.Lock(mode);
    mode_ = mode;
    pageCountKnown_ = false;
    broken_ = false;
    if (journal_.IsHot()) RecoverHotJournal(mode);
  } catch (...) {
    file_.Unlock();
    depth_ = 0;
    throw;
  }
}

void Pager::RecoverHotJournal(LockMode mode) {
  if (!file_.Writable())
    throw Error(kOpenFailed, "The database '" + file_.Path() + "' holds a change that was cut short (its journal '" +
                                 journal_.Path() +
                                 "' lies beside it); open it once with permission to write, so that the change "
                                 "can be undone.");
  if (mode == LockMode::Shared) {
    file_.Unlock();
    file_.Lock(LockMode::Exclusive);
  }
  // Another process may have rolled it back while the lock was let go.
  if (journal_.IsHot()) journal_.RollBackHot();
  if (mode == LockMode::Shared) {
    file_.Unlock();
    file_.Lock(LockMode::Shared);
  }
  pageCountKnown_ = false;
}

std::uint32_t Pager::PageCount() const {
  if (!pageCountKnown_) {
    pageCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(file_.Size() / PageSize(), kMaxPageNumber));
    pageCountKnown_ = true;
  }
  return pageCount_;
}

void Pager::End() {
  if (--depth_ > 0) return;
  if (inBatch_) {
    // A batch left open by a writer that went away: undone, never kept.
    try {
      Abandon();
    } catch (const Error&) {
      // Its journal stays hot: the next statement rolls it back.
    }
    inBatch_ = false;
  }
  RememberCache();
  cache_.clear();
  dirtyOrder_.clear();
  changing_.clear();
  onDiskImages_ = 0;
  file_.Unlock();
}

void Pager::EndChange(bool durable) {
  RequireUsable();
  if (durable) file_.Sync();
  journal_.Close(durable);
}

void Pager::Save() {
  if (!inBatch_ || dirtyOrder_.size() > kHeldPageLimit) {
    Flush(inBatch_);
    return;
  }
  for (std::uint32_t page : changing_) {
    Entry& e = cache_.at(page);
    e.changing = false;
    GiveBack(std::move(e.saved));
  }
  changing_.clear();
  heldPageCount_ = PageCount();
}

void Pager::DiscardUnsaved() {
  for (std::uint32_t page : changing_) {
    auto it = cache_.find(page);
    if (it == cache_.end()) continue;
    Entry& e = it->second;
    if (e.saved) {
      e.bytes = std::move(e.saved);
      e.fresh = e.savedFresh;
      e.changing = false;
      e.version = NextVersion();
    } else {
      if (e.onDisk) --onDiskImages_;
      cache_.erase(it);
    }
  }
  changing_.clear();
  std::erase_if(dirtyOrder_, [&](std::uint32_t page) { return !cache_.count(page); });
  // Pages appended by held statements are not in the file yet.
  if (dirtyOrder_.empty())
    pageCountKnown_ = false;
  else
    pageCount_ = heldPageCount_;
}

void Pager::Abandon() {
  std::erase_if(cache_, [](const auto& item) { return item.second.dirty; });
  dirtyOrder_.clear();
  changing_.clear();
  onDiskImages_ = 0;  // only dirty pages hold one
  pageCountKnown_ = false;
  if (!journal_.Open()) return;
  // What was written of the change is undone from the journal; the cache may
  // hold it, so it goes too.
  cache_.clear();
  try {
    journal_.RollBack();
  } catch (const Error&) {
    broken_ = true;
    throw;
  }
}

void Pager::BeginBatch() {
  if (depth_ == 0 || mode_ != LockMode::Exclusive)
    throw Error(kStatementFailed, "Internal error: a batch was begun outside a writing statement.");
  if (inBatch_) throw Error(kStatementFailed, "Internal error: a batch was begun inside another.");
  inBatch_ = true;
  ++batchNumber_;
}

void Pager::CommitBatch() {
  if (!inBatch_) throw Error(kStatementFailed, "Internal error: no batch to commit.");
  Flush(true);
  EndChange(true);
  inBatch_ = false;
}

void Pager::RollbackBatch() {
  if (!inBatch_) return;
  inBatch_ = false;
  Abandon();
}

void Pager::RequireUsable() const {
  if (broken_)
    throw Error(kOpenFailed, "The database '" + file_.Path() +
                                 "' could not be restored after a failed write; it will be restored when it is "
                                 "next opened.");
}

void Pager::Code(std::uint32_t page, PageBytes& bytes) const {
  if (encodingKey_ == 0 || page == 0) return;
  std::uint32_t k = encodingKey_ ^ page;
  const std::uint8_t key[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                               static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
  Rc4Apply(key, std::span(bytes.data(), PageSize()));
}

std::shared_ptr<PageBytes> Pager::NewPageBuffer() const {
  auto bytes = std::make_shared_for_overwrite<PageBytes>();
  // Smaller pages leave the end of the buffer, which nothing reads, defined.
  std::fill(bytes->begin() + PageSize(), bytes->end(), 0);
  return bytes;
}

std::shared_ptr<PageBytes> Pager::CopyOf(const PageBytes& bytes) {
  if (spare_.empty()) return std::make_shared<PageBytes>(bytes);
  std::shared_ptr<PageBytes> copy = std::move(spare_.back());
  spare_.pop_back();
  *copy = bytes;
  return copy;
}

void Pager::GiveBack(std::shared_ptr<PageBytes> bytes) {
  if (bytes && bytes.use_count() == 1 && spare_.size() < kSpareBuffers) spare_.push_back(std::move(bytes));
}

void Pager::TrimCache() {
  // Only clean pages count: dirty ones cannot go, and counting them would
  // make a batch that holds many scan the whole cache on every read.
  const std::size_t dirty = dirtyOrder_.size();
  if (cache_.size() < cacheLimit_ + dirty) return;
  for (auto it = cache_.begin(); it != cache_.end() && cache_.size() > cacheLimit_ / 2 + dirty;)
    it = it->second.dirty ? std::next(it) : cache_.erase(it);
}

void Pager::RememberCache() {
  if (remembered_.size() + cache_.size() > kRememberedPages) remembered_.clear();
  if (cache_.size() > kRememberedPages) return;
  for (const auto& [page, e] : cache_)
    if (!e.dirty) remembered_.insert_or_assign(page, Remembered{e.bytes, e.version});
}

std::uint64_t Pager::VersionOfRead(std::uint32_t page, const PageBytes& bytes) {
  auto it = remembered_.find(page);
  if (it == remembered_.end()) return NextVersion();
  const bool same = std::equal(bytes.begin(), bytes.begin() + PageSize(), it->second.bytes->begin());
  const std::uint64_t version = same ? it->second.version : NextVersion();
  remembered_.erase(it);
  return version;
}

std::shared_ptr<PageBytes> Pager::ReadFromFile(std::uint32_t page) const {
  auto bytes = NewPageBuffer();
  std::size_t got = file_.ReadAt(std::uint64_t{page} * PageSize(), std::span(bytes->data(), PageSize()));
  if (got == 0) ThrowDamaged("page " + std::to_string(page) + " lies beyond the end of the file");
  if (got != PageSize()) ThrowDamaged("page " + std::to_string(page) + " is cut short");
  Code(page, *bytes);
  return bytes;
}

Pager::Entry& Pager::Load(std::uint32_t page) {
  if (depth_ == 0) throw Error(kStatementFailed, "Internal error: a page was read outside a statement.");
  auto it = cache_.find(page);
  if (it != cache_.end()) return it->second;
  TrimCache();
  std::shared_ptr<PageBytes> bytes = ReadFromFile(page);
  const std::uint64_t version = VersionOfRead(page, *bytes);
  return cache_.emplace(page, Entry{.bytes = std::move(bytes), .version = version}).first->second;
}

PageRef Pager::Read(std::uint32_t page) { return Load(page).bytes; }

PageRef Pager::Read(std::uint32_t page, std::uint64_t& version) {
  const Entry& e = Load(page);
  version = e.version;
  return e.bytes;
}

PageRef Pager::ReadOnce(std::uint32_t page) {
  if (depth_ == 0) throw Error(kStatementFailed, "Internal error: a page was read outside a statement.");
  auto it = cache_.find(page);
  return it != cache_.end() ? it->second.bytes : ReadFromFile(page);
}

void Pager::Preload(std::vector<std::uint32_t> pages) {
  if (depth_ == 0) throw Error(kStatementFailed, "Internal error: a page was read outside a statement.");
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  std::erase_if(pages, [&](std::uint32_t p) { return p >= kMaxPageNumber || cache_.count(p); });
  TrimCache();
  for (std::size_t i = 0; i < pages.size();) {
    std::size_t j = i + 1;
    while (j < pages.size() && pages[j] == pages[j - 1] + 1) ++j;
    // Pages read whole join the cache; Read reports any other.
    std::vector<std::shared_ptr<PageBytes>> run = ReadRunFromFile(pages[i], j - i);
    for (std::size_t k = 0; k < run.size(); ++k) {
      const std::uint64_t version = VersionOfRead(pages[i + k], *run[k]);
      cache_.emplace(pages[i + k], Entry{.bytes = std::move(run[k]), .version = version});
    }
    i = j;
  }
}

std::vector<PageRef> Pager::ReadOnce(std::uint32_t first, std::size_t count) {
  if (depth_ == 0) throw Error(kStatementFailed, "Internal error: a page was read outside a statement.");
  std::vector<std::shared_ptr<PageBytes>> run = ReadRunFromFile(first, count);
  std::vector<PageRef> pages(run.begin(), run.end());
  for (std::size_t k = 0; k < pages.size(); ++k)
    if (auto it = cache_.find(first + static_cast<std::uint32_t>(k)); it != cache_.end()) pages[k] = it->second.bytes;
  return pages;
}

std::vector<std::shared_ptr<PageBytes>> Pager::ReadRunFromFile(std::uint32_t first, std::size_t count) const {
  std::vector<std::shared_ptr<PageBytes>> run;
  std::vector<std::span<std::uint8_t>> blocks;
  for (std::size_t k = 0; k < count; ++k) {
    run.push_back(NewPageBuffer());
    blocks.emplace_back(run.back()->data(), PageSize());
  }
  const std::size_t whole = file_.ReadAt(std::uint64_t{first} * PageSize(), blocks) / PageSize();
  run.resize(std::min(whole, count));
  for (std::size_t k = 0; k < run.size(); ++k) Code(first + static_cast<std::uint32_t>(k), *run[k]);
  return run;
}

std::uint8_t* Pager::Write(std::uint32_t page) {
  if (mode_ != LockMode::Exclusive) throw Error(kStatementFailed, "Internal error: a page was changed in a read.");
  Entry& e = Load(page);
  if (!e.changing) {
    if (e.dirty) {
      // Held by the batch: the saved bytes stay for DiscardUnsaved.
      e.saved = std::exchange(e.bytes, CopyOf(*e.bytes));
      e.savedFresh = e.fresh;
    } else {
      // A clean page holds the file's bytes: unless the change journaled
      // the page already, they are kept as its journal record. Readers
      // holding the old bytes keep them; the statement works on a copy.
      if (onDiskImages_ < kOnDiskImageLimit && !journal_.Guards(page)) {
        e.onDisk = std::exchange(e.bytes, CopyOf(*e.bytes));
        ++onDiskImages_;
      } else if (e.bytes.use_count() > 1) {
        e.bytes = CopyOf(*e.bytes);
      }
      e.dirty = true;
      dirtyOrder_.push_back(page);
    }
    e.changing = true;
    changing_.push_back(page);
  }
  e.version = NextVersion();
  return e.bytes->data();
}

std::uint32_t Pager::AppendPage() {
  if (PageCount() >= kMaxDatabasePages) ThrowDatabaseFull();
  std::uint32_t page = pageCount_++;
  cache_[page] = Entry{
      .bytes = std::make_shared<PageBytes>(), .dirty = true, .fresh = true, .changing = true, .version = NextVersion()};
  dirtyOrder_.push_back(page);
  changing_.push_back(page);
  return page;
}

std::uint32_t Pager::Allocate() {
  if (mode_ != LockMode::Exclusive) throw Error(kStatementFailed, "Internal error: a page was allocated in a read.");
  if (!allocator_) return AppendPage();
  std::uint32_t page = allocator_(*this);
  std::uint8_t* bytes = Write(page);
  std::fill(bytes, bytes + kPageSize, 0);
  cache_.at(page).fresh = true;
  return page;
}

void Pager::Flush(bool durable) {
  if (dirtyOrder_.empty()) return;
  RequireUsable();
  // Nothing reaches the file before this point, so one check here keeps a
  // change from going into a file the user no longer sees at its path.
  file_.CheckStillAtPath();
  // The old bytes of every page about to be written over go to the journal
  // first; inside a batch they reach the disk before any page does.
  PageBytes coded;
  for (std::uint32_t page : dirtyOrder_) {
    Entry& e = cache_.at(page);
    const std::uint8_t* onDisk = nullptr;
    if (e.onDisk) {
      onDisk = e.onDisk->data();
      if (encodingKey_ != 0 && page != 0) {
        coded = *e.onDisk;
        Code(page, coded);
        onDisk = coded.data();
      }
    }
    journal_.Guard(page, onDisk);
    e.onDisk.reset();
  }
  onDiskImages_ = 0;
  journal_.Write(durable);
  try {
    for (bool freshPass : {true, false}) {
      for (std::uint32_t page : dirtyOrder_) {
        Entry& e = cache_.at(page);
        if (!e.dirty || e.fresh != freshPass) continue;
        const PageBytes* out = e.bytes.get();
        if (encodingKey_ != 0 && page != 0) {
          coded = *e.bytes;
          Code(page, coded);
          out = &coded;
        }
        file_.WriteAt(std::uint64_t{page} * PageSize(), std::span(out->data(), PageSize()));
        e.dirty = false;
        e.fresh = false;
        e.changing = false;
        GiveBack(std::move(e.saved));
      }
    }
  } catch (const Error& failure) {
    FailedWrite(failure);
  }
  dirtyOrder_.clear();
  changing_.clear();
}

void Pager::FailedWrite(const Error& failure) {
  std::string undone = inBatch_ ? " The statements of the batch were undone." : " The change was undone.";
  inBatch_ = false;
  dirtyOrder_.clear();
  changing_.clear();
  cache_.clear();
  onDiskImages_ = 0;
  pageCountKnown_ = false;
  try {
    journal_.RollBack();
  } catch (const Error& again) {
    broken_ = true;
    undone = " The change could not be undone now (" + again.Description() +
             "); it will be undone when the file is next opened.";
  }
  throw Error(failure.Number(), failure.Description() + undone);
}

}  // namespace jet
