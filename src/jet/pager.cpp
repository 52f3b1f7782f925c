#include "jet/pager.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/rc4.h"

namespace jet {

Pager::Pager(File& file, const Header& header) : file_(file), header_(header), encodingKey_(header.encodingKey) {}

Pager::Statement::Statement(Pager& pager, LockMode mode) : pager_(pager) { pager_.Begin(mode); }
Pager::Statement::~Statement() { pager_.End(); }
void Pager::Statement::Commit() {
  pager_.Flush();
  pager_.file_.Sync();
}
void Pager::Statement::Save() { pager_.Flush(); }

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
  } catch (...) {
    depth_ = 0;
    throw;
  }
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
  cache_.clear();
  dirtyOrder_.clear();
  file_.Unlock();
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

void Pager::TrimCache() {
  if (cache_.size() < cacheLimit_) return;
  for (auto it = cache_.begin(); it != cache_.end() && cache_.size() > cacheLimit_ / 2;)
    it = it->second.dirty ? std::next(it) : cache_.erase(it);
}

Pager::Entry& Pager::Load(std::uint32_t page) {
  if (depth_ == 0) throw Error(kStatementFailed, "Internal error: a page was read outside a statement.");
  auto it = cache_.find(page);
  if (it != cache_.end()) return it->second;
  TrimCache();
  auto bytes = NewPageBuffer();
  std::size_t got = file_.ReadAt(std::uint64_t{page} * PageSize(), std::span(bytes->data(), PageSize()));
  if (got == 0) ThrowDamaged("page " + std::to_string(page) + " lies beyond the end of the file");
  if (got != PageSize()) ThrowDamaged("page " + std::to_string(page) + " is cut short");
  Code(page, *bytes);
  return cache_.emplace(page, Entry{std::move(bytes), false}).first->second;
}

PageRef Pager::Read(std::uint32_t page) { return Load(page).bytes; }

void Pager::Preload(std::vector<std::uint32_t> pages) {
  if (depth_ == 0) throw Error(kStatementFailed, "Internal error: a page was read outside a statement.");
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  std::erase_if(pages, [&](std::uint32_t p) { return p >= kMaxPageNumber || cache_.count(p); });
  TrimCache();
  std::vector<std::shared_ptr<PageBytes>> run;
  std::vector<std::span<std::uint8_t>> blocks;
  for (std::size_t i = 0; i < pages.size();) {
    std::size_t j = i + 1;
    while (j < pages.size() && pages[j] == pages[j - 1] + 1) ++j;
    run.clear();
    blocks.clear();
    for (std::size_t k = i; k < j; ++k) {
      run.push_back(NewPageBuffer());
      blocks.emplace_back(run.back()->data(), PageSize());
    }
    std::size_t got = file_.ReadAt(std::uint64_t{pages[i]} * PageSize(), blocks);
    // Pages read whole join the cache; Read reports any other.
    for (std::size_t k = i; k < j && (k - i + 1) * PageSize() <= got; ++k) {
      Code(pages[k], *run[k - i]);
      cache_.emplace(pages[k], Entry{std::move(run[k - i]), false});
    }
    i = j;
  }
}

std::uint8_t* Pager::Write(std::uint32_t page) {
  if (mode_ != LockMode::Exclusive) throw Error(kStatementFailed, "Internal error: a page was changed in a read.");
  Entry& e = Load(page);
  if (!e.dirty) {
    // Readers holding the old bytes keep them; the statement works on a copy.
    if (e.bytes.use_count() > 1) e.bytes = std::make_shared<PageBytes>(*e.bytes);
    e.dirty = true;
    dirtyOrder_.push_back(page);
  }
  return e.bytes->data();
}

std::uint32_t Pager::AppendPage() {
  if (PageCount() >= kMaxPageNumber) throw Error(kStatementFailed, "The database has reached its largest size.");
  std::uint32_t page = pageCount_++;
  cache_[page] = Entry{std::make_shared<PageBytes>(), true, true};
  dirtyOrder_.push_back(page);
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

void Pager::Flush() {
  PageBytes coded;
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
    }
  }
  dirtyOrder_.clear();
}

}  // namespace jet
