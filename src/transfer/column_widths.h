// Each column's width as Jet counts it: the longest text of the column in
// UTF-16 code units, measured row by row as the rows go past, so that a
// table's widths are known without keeping its rows.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace transfer {

class ColumnWidths {
 public:
  explicit ColumnWidths(std::size_t columns) : widths_(columns, 0) {}

  // One row's cells, in column order; NULL and the empty text count nothing.
  void Measure(const std::vector<std::optional<std::string_view>>& cells);

  // Each column's longest text, kDefaultWidth for a column without any
  // non-empty text.
  std::vector<std::size_t> Widths() const;

 private:
  std::vector<std::size_t> widths_;
};

}  // namespace transfer
