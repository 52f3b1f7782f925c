#include "jet/data_page.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

bool DataPage::HasRoomFor(std::size_t length) const {
  return SlotCount() < kMaxRowsPerPage && FreeSpace() >= length + 2;
}

bool DataPage::Empty() const {
  for (std::size_t i = 0; i < SlotCount(); ++i)
    if (!IsDeleted(i)) return false;
  return true;
}

void DataPageWriter::Init(std::uint32_t owner) {
  std::memset(b_, 0, kPageSize);
  b_[0] = kPageTypeData;
  b_[1] = 0x01;
  PutU16(b_ + 2, kPageSize - kDataPageHeaderSize);
  PutU32(b_ + 4, owner);
}


std::size_t DataPageWriter::AddRow(std::span<const std::uint8_t> row) {
  ByteSpan b(b_, kPageSize);
  DataPage page(b, kJet4Format);  // the writer's layout, Jet 4's data pages
  std::size_t slots = page.SlotCount();
  std::size_t free = page.FreeSpace();
  // The new row goes below the lowest one; the header says where that is,
  // and a header that lies must not send the row past the page.
  std::size_t top = slots == 0 ? kPageSize : (page.Slot(slots - 1) & kSlotOffsetMask);
  std::size_t slotsEnd = kDataPageHeaderSize + 2 * (slots + 1);
  if (slots >= kMaxRowsPerPage || top > kPageSize || top < slotsEnd || top - slotsEnd < row.size() ||
      free < row.size() + 2)
    ThrowDamaged("a data page whose free space is not where its header says");
  std::size_t start = top - row.size();
  std::copy(row.begin(), row.end(), b_ + start);
  PutU16(b_ + kDataPageHeaderSize + 2 * slots, static_cast<std::uint16_t>(start));
  PutU16(b_ + 12, static_cast<std::uint16_t>(slots + 1));
  PutU16(b_ + 2, static_cast<std::uint16_t>(free - row.size() - 2));
  return slots;
}

void DataPageWriter::Remove(std::size_t slot) {
  // Replace checks every row of the page before it moves any.
  if (!Replace(slot, {})) ThrowDamaged("a row number beyond its page's rows");
  std::uint8_t* p = b_ + kDataPageHeaderSize + 2 * slot;
  PutU16(p, static_cast<std::uint16_t>(U16(ByteSpan(p, 2), 0) | kSlotDeleted | kSlotLookup));
}

bool DataPageWriter::Replace(std::size_t slot, ByteSpan row) {
  std::uint8_t* bytes = b_;
  DataPage page(ByteSpan(bytes, kPageSize), kJet4Format);  // the writer's layout, Jet 4's data pages
  std::size_t slots = page.SlotCount();
  if (slot >= slots) return false;
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<std::uint16_t> flags;
  std::size_t total = 0;
  for (std::size_t i = 0; i < slots; ++i) {
    ByteSpan r = i == slot ? row : page.Row(i);
    rows.emplace_back(r.begin(), r.end());
    flags.push_back(static_cast<std::uint16_t>(page.Slot(i) & ~kSlotOffsetMask));
    total += r.size();
  }
  if (kDataPageHeaderSize + 2 * slots + total > kPageSize) return false;
  std::size_t top = kPageSize;
  for (std::size_t i = 0; i < slots; ++i) {
    top -= rows[i].size();
    if (!rows[i].empty()) std::memcpy(bytes + top, rows[i].data(), rows[i].size());
    PutU16(bytes + kDataPageHeaderSize + 2 * i, static_cast<std::uint16_t>(top | flags[i]));
  }
  PutU16(bytes + 2, static_cast<std::uint16_t>(kPageSize - kDataPageHeaderSize - 2 * slots - total));
  return true;
}


}  // namespace jet
