#include "transfer/column_widths.h"

#include <gtest/gtest.h>

using transfer::ColumnWidths;
using Row = std::vector<std::optional<std::string_view>>;

namespace {

TEST(ColumnWidths, MeasuresUtf16UnitsAndDefaultsToTen) {
  ColumnWidths widths(5);
  // An emoji counts 2, a Greek letter 1 though it takes 2 bytes; empties and
  // NULLs count nothing; a later narrower cell does not shrink its column.
  const std::vector<Row> rows = {
      {"ab", "\xF0\x9F\x98\x80", "", std::nullopt, "\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4"},
      {"abcdef", "\xCE\xB1\xCE\xB2\xCE\xB3", std::nullopt, "", "abc"},
      {std::nullopt, "x", "", std::nullopt, "\xE2\x82\xAC"},
  };
  for (const Row& row : rows) widths.Measure(row);
  EXPECT_EQ(widths.Widths(), (std::vector<std::size_t>{6, 3, 10, 10, 4}));
}

}  // namespace
