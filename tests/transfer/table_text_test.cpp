#include "transfer/table_text.h"

#include <gtest/gtest.h>

using transfer::TableText;
using Row = std::vector<std::optional<std::string_view>>;

namespace {

std::vector<Row> AllRows(const TableText& table) {
  std::vector<Row> rows;
  TableText::RowReader reader(table);
  Row row;
  while (reader.Next(row)) rows.push_back(row);
  return rows;
}

TEST(TableText, GivesBackRowsInOrderWithNullAndEmptyApart) {
  TableText table({"id", "name"});
  table.AddText("1");
  table.AddText("Null911");
  table.AddText("2");
  table.AddText("");
  table.AddNull();
  table.AddText("O'Brien");
  EXPECT_EQ(table.RowCount(), 3u);
  std::vector<Row> expected = {{"1", "Null911"}, {"2", ""}, {std::nullopt, "O'Brien"}};
  EXPECT_EQ(AllRows(table), expected);
}

TEST(TableText, MeasuresWidthsInUtf16UnitsAndDefaultsToTen) {
  TableText table({"a", "b", "c", "d"});
  // "ab", "abcdef"; an emoji counts 2; Greek 1 a letter; empties and NULLs do not count.
  for (auto cells : std::vector<std::vector<const char*>>{{"ab", "\xF0\x9F\x98\x80", "", nullptr},
                                                         {"abcdef", "\xCE\xB1\xCE\xB2\xCE\xB3", nullptr, ""},
                                                         {nullptr, "x", "", nullptr}}) {
    for (const char* c : cells) c ? table.AddText(c) : table.AddNull();
  }
  EXPECT_EQ(table.Widths(), (std::vector<std::size_t>{6, 3, 10, 10}));
}

TEST(TableText, KeepsLongCellsAndManyRowsAcrossBlocks) {
  TableText table({"a", "b"});
  const std::string big(3 << 20, 'x');  // larger than a block
  const std::size_t rows = 100000;
  for (std::size_t i = 0; i < rows; ++i) {
    table.AddText(std::to_string(i));
    if (i == 50000)
      table.AddText(big);
    else
      table.AddText(std::string(i % 300, 'y'));
  }
  TableText::RowReader reader(table);
  Row row;
  std::size_t i = 0;
  for (; reader.Next(row); ++i) {
    ASSERT_EQ(row[0], std::to_string(i));
    ASSERT_EQ(row[1]->size(), i == 50000 ? big.size() : i % 300) << i;
  }
  EXPECT_EQ(i, rows);
  EXPECT_EQ(table.Widths()[1], big.size());
}

}  // namespace
