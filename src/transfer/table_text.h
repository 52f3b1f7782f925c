// A whole table held in memory as text, in the order its rows were read:
// the column names, every cell as NULL or a text (the empty text included),
// and each column's width measured as the cells arrive.
//
// Cells are packed one after the other into large blocks, each a length
// (a variable-length number, 0 for NULL and length + 1 otherwise) followed by
// the text's bytes, so the table costs little more than its text and never
// needs a copy of itself while it grows.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace transfer {

class TableText {
 public:
  explicit TableText(std::vector<std::string> columnNames);

  const std::vector<std::string>& ColumnNames() const { return names_; }
  std::size_t ColumnCount() const { return names_.size(); }
  std::size_t RowCount() const { return rows_; }

  // Cells are added row by row, column by column. A non-empty text counts
  // towards its column's width.
  void AddNull();
  void AddText(std::string_view text);

  // Each column's longest text in UTF-16 code units, kDefaultWidth for a
  // column without any non-empty text.
  std::vector<std::size_t> Widths() const;

  // Walks the rows in the order they were added.
  class RowReader {
   public:
    explicit RowReader(const TableText& table) : table_(table) {}
    // The next row's cells (views into the table), false after the last row.
    bool Next(std::vector<std::optional<std::string_view>>& cells);

   private:
    const TableText& table_;
    std::size_t block_ = 0;
    std::size_t offset_ = 0;
    std::size_t row_ = 0;
  };

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };
  char* Reserve(std::size_t bytes);
  void CountCell();

  std::vector<std::string> names_;
  std::vector<std::size_t> widths_;
  std::vector<Block> blocks_;
  std::size_t rows_ = 0;
  std::size_t column_ = 0;  // of the next cell
};

}  // namespace transfer
