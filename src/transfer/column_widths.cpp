#include "transfer/column_widths.h"

#include <algorithm>

#include "jet/text_codec.h"
#include "transfer/column_plan.h"

namespace transfer {

void ColumnWidths::Measure(const std::vector<std::optional<std::string_view>>& cells) {
  for (std::size_t j = 0; j < cells.size() && j < widths_.size(); ++j) {
    // No text is wider in UTF-16 than its count of UTF-8 bytes: a cell that
    // short cannot widen the column and is not decoded.
    if (cells[j] && cells[j]->size() > widths_[j]) widths_[j] = std::max(widths_[j], jet::Utf16Length(*cells[j]));
  }
}

std::vector<std::size_t> ColumnWidths::Widths() const {
  std::vector<std::size_t> widths = widths_;
  for (std::size_t& w : widths)
    if (w == 0) w = kDefaultWidth;
  return widths;
}

}  // namespace transfer
