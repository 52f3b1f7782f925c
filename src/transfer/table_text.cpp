#include "transfer/table_text.h"

#include <algorithm>
#include <cstring>

#include "transfer/cell_text.h"
#include "transfer/column_plan.h"

namespace transfer {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;
constexpr std::size_t kMaxLengthBytes = 10;  // a 64-bit number, 7 bits a byte

std::size_t PutLength(char* at, std::uint64_t value) {
  std::size_t n = 0;
  while (value >= 0x80) {
    at[n++] = static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  at[n++] = static_cast<char>(value);
  return n;
}

std::uint64_t GetLength(const char* at, std::size_t& offset) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    auto byte = static_cast<unsigned char>(at[offset++]);
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return value;
  }
}

}  // namespace

TableText::TableText(std::vector<std::string> columnNames)
    : names_(std::move(columnNames)), widths_(names_.size(), 0) {}

char* TableText::Reserve(std::size_t bytes) {
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < bytes) {
    Block block;
    block.capacity = std::max(kBlockSize, bytes);
    block.bytes = std::make_unique<char[]>(block.capacity);
    blocks_.push_back(std::move(block));
  }
  Block& last = blocks_.back();
  return last.bytes.get() + last.used;
}

void TableText::CountCell() {
  if (++column_ == names_.size()) {
    column_ = 0;
    ++rows_;
  }
}

void TableText::AddNull() {
  *Reserve(1) = 0;
  blocks_.back().used += 1;
  CountCell();
}

void TableText::AddText(std::string_view text) {
  // A cell never spans two blocks, so a reader finds it in one piece.
  char* at = Reserve(kMaxLengthBytes + text.size());
  std::size_t n = PutLength(at, std::uint64_t{text.size()} + 1);
  if (!text.empty()) std::memcpy(at + n, text.data(), text.size());
  blocks_.back().used += n + text.size();
  if (!text.empty()) widths_[column_] = std::max(widths_[column_], Utf16Length(text));
  CountCell();
}

std::vector<std::size_t> TableText::Widths() const {
  std::vector<std::size_t> widths = widths_;
  for (std::size_t& w : widths)
    if (w == 0) w = kDefaultWidth;
  return widths;
}

bool TableText::RowReader::Next(std::vector<std::optional<std::string_view>>& cells) {
  if (row_ == table_.rows_) return false;
  cells.resize(table_.names_.size());
  for (auto& cell : cells) {
    while (offset_ == table_.blocks_[block_].used) {
      ++block_;
      offset_ = 0;
    }
    const char* bytes = table_.blocks_[block_].bytes.get();
    std::uint64_t length = GetLength(bytes, offset_);
    if (length == 0) {
      cell.reset();
    } else {
      cell = std::string_view(bytes + offset_, length - 1);
      offset_ += length - 1;
    }
  }
  ++row_;
  return true;
}

}  // namespace transfer
