// Data pages (type 0x01). Header: u8 0x01, u8 0x01, u16 free space, u32 owning
// TDEF page ("LVAL" on long-value pages), u32 0, u16 number of row slots at
// 12, then one u16 per slot from 14 (Jet 3: no u32 0, the count at 8, slots
// from 10). Rows are packed from the page end downwards: slot i's row ends
// where slot i-1's begins (slot 0 ends at the end of the page).
// A slot's low 13 bits are the row's start; 0x8000 marks a deleted row (or
// the relocated copy of an overflow row), 0x4000 a row whose first 4 bytes
// point to where it now lives.
#pragma once

#include <cstdint>
#include <span>

#include "jet/bytes.h"
#include "jet/format.h"
#include "jet/header.h"

namespace jet {

inline constexpr std::uint8_t kPageTypeData = 0x01;
inline constexpr std::uint8_t kPageTypeTdef = 0x02;
inline constexpr std::uint8_t kPageTypeUsageBitmap = 0x05;
inline constexpr std::uint32_t kLvalOwner = 0x4C41564C;  // "LVAL"
inline constexpr std::size_t kDataPageHeaderSize = 14;  // of the formats we write
inline constexpr std::uint16_t kSlotDeleted = 0x8000;
inline constexpr std::uint16_t kSlotLookup = 0x4000;
inline constexpr std::uint16_t kSlotOffsetMask = 0x1FFF;
inline constexpr std::size_t kMaxRowsPerPage = 255;

class DataPage {
 public:
  // `page` holds at least one page of `format`.
  DataPage(ByteSpan page, const Format& format)
      : b_(page.first(format.pageSize)), countAt_(format.dataRowCountAt), slotsAt_(format.dataFirstSlotAt) {}

  bool IsData() const { return b_[0] == kPageTypeData; }
  std::uint32_t Owner() const { return U32(b_, 4); }
  std::uint16_t FreeSpace() const { return U16(b_, 2); }
  // Slots that fit in the page; a larger count in the header is damage.
  std::size_t SlotCount() const;
  std::uint16_t Slot(std::size_t i) const { return U16(b_, slotsAt_ + 2 * i); }
  bool IsDeleted(std::size_t i) const { return Slot(i) & kSlotDeleted; }
  bool IsLookup(std::size_t i) const { return Slot(i) & kSlotLookup; }
  // The bytes of row i; throws jet::Error when its bounds are impossible.
  ByteSpan Row(std::size_t i) const;
  // Whether slot i holds a live row of table `owner` in place: the page one
  // of the table's data pages, the slot in range, neither deleted nor an
  // overflow pointer.
  bool HoldsRowOf(std::uint32_t owner, std::size_t i) const {
    return IsData() && Owner() == owner && i < SlotCount() && !IsDeleted(i) && !IsLookup(i);
  }
  // Room for one more row of `length` bytes and its slot.
  bool HasRoomFor(std::size_t length) const;
  // Whether no slot holds a live row (deleted rows only, or none).
  bool Empty() const;

 private:
  ByteSpan b_;
  std::size_t countAt_;
  std::size_t slotsAt_;
};

// Changing a data page in place (the writer's side), in the layout of the
// formats we write.
class DataPageWriter {
 public:
  explicit DataPageWriter(std::uint8_t* bytes) : b_(bytes) {}
  // Formats an empty data page owned by the TDEF page `owner`.
  void Init(std::uint32_t owner);
  // Adds a row below the others; returns its slot number.
  std::size_t AddRow(std::span<const std::uint8_t> row);
  // Deletes row `slot`: flagged deleted, its bytes given back to the page's
  // free space. The slot stays (pointers name rows by slot number).
  void Remove(std::size_t slot);
  // Replaces row `slot` by `row` (of any length), moving the other rows as
  // needed; false when the page has no room for it.
  bool Replace(std::size_t slot, ByteSpan row);

 private:
  std::uint8_t* b_;
};

}  // namespace jet
