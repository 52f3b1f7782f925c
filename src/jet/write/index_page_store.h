// The index layer's page access over the pager: index pages are read and
// changed in the statement's page cache, and new ones come from the pager's
// allocator (the global usage map while a writing statement runs).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/index/index_tree.h"
#include "jet/pager.h"

namespace jet {

class PagerIndexStore : public index::IndexPageStore {
 public:
  explicit PagerIndexStore(Pager& pager) : pager_(pager) {}

  const std::uint8_t* Read(std::uint32_t page) override;
  const std::uint8_t* ReadWithVersion(std::uint32_t page, std::uint64_t& version) override;
  std::uint8_t* Write(std::uint32_t page) override { return pager_.Write(page); }
  std::uint32_t Allocate() override { return pager_.Allocate(); }
  std::uint64_t Version(std::uint32_t page) override { return pager_.Version(page); }
  // Lets go of the pages read so far: what Read returned is no longer valid.
  void ForgetReads() { read_.clear(); }

 private:
  Pager& pager_;
  // The pages handed out by Read stay alive as long as this store.
  std::vector<PageRef> read_;
};

}  // namespace jet
