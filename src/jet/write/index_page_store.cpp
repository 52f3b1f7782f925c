#include "jet/write/index_page_store.h"

namespace jet {

const std::uint8_t* PagerIndexStore::Read(std::uint32_t page) {
  read_.push_back(pager_.Read(page));
  return read_.back()->data();
}

}  // namespace jet
