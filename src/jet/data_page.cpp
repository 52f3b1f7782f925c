#include "jet/data_page.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"

namespace jet {

std::size_t DataPage::SlotCount() const {
  std::size_t n = U16(b_, countAt_);
  if (n > (b_.size() - slotsAt_) / 2) ThrowDamaged("a data page lists more rows than it can hold");
  return n;
}

ByteSpan DataPage::Row(std::size_t i) const {
  std::size_t slots = SlotCount();
  if (i >= slots) ThrowDamaged("a row number beyond its page's rows");
  std::size_t start = Slot(i) & kSlotOffsetMask;
  std::size_t end = i == 0 ? b_.size() : (Slot(i - 1) & kSlotOffsetMask);
  if (start < slotsAt_ + 2 * slots || end > b_.size() || start > end)
    ThrowDamaged("a row lies outside its page");
  return b_.subspan(start, end - start);
}

void DataPageWriter::Init(std::uint32_t owner) {
  std::memset(b_, 0, kPageSize);
  b_[0] = kPageTypeData;
  b_[1] = 0x01;
  PutU16(b_ + 2, kPageSize - kDataPageHeaderSize);
  PutU32(b_ + 4, owner);
}

bool DataPageWriter::Fits(std::size_t length) const {
  ByteSpan b(b_, kPageSize);
  return U16(b, 12) < kMaxRowsPerPage && U16(b, 2) >= length + 2;
}

std::size_t DataPageWriter::AddRow(std::span<const std::uint8_t> row) {
  ByteSpan b(b_, kPageSize);
  std::size_t slots = U16(b, 12);
  std::size_t free = U16(b, 2);
  std::size_t top = slots == 0 ? kPageSize : (U16(b, kDataPageHeaderSize + 2 * (slots - 1)) & kSlotOffsetMask);
  std::size_t start = top - row.size();
  std::memcpy(b_ + start, row.data(), row.size());
  PutU16(b_ + kDataPageHeaderSize + 2 * slots, static_cast<std::uint16_t>(start));
  PutU16(b_ + 12, static_cast<std::uint16_t>(slots + 1));
  PutU16(b_ + 2, static_cast<std::uint16_t>(free - row.size() - 2));
  return slots;
}

void DataPageWriter::MarkDeleted(std::size_t slot) {
  std::uint8_t* p = b_ + kDataPageHeaderSize + 2 * slot;
  PutU16(p, static_cast<std::uint16_t>(U16(ByteSpan(p, 2), 0) | kSlotDeleted | kSlotLookup));
}

}  // namespace jet
