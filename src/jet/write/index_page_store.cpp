#include "jet/write/index_page_store.h"

namespace jet {

const std::uint8_t* PagerIndexStore::Read(std::uint32_t page) {
  read_.push_back(pager_.Read(page));
  return read_.back()->data();
}

const std::uint8_t* PagerIndexStore::ReadWithVersion(std::uint32_t page, std::uint64_t& version) {
  read_.push_back(pager_.Read(page, version));
  return read_.back()->data();
}

}  // namespace jet
