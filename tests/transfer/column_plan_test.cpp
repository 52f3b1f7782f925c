// The width rules without a server; tests/transfer/mysql_row_limits_test.cpp
// holds the MySQL model against the real server.
#include "transfer/column_plan.h"

#include <gtest/gtest.h>

#include "jet/write/table_layout.h"

using namespace transfer;

namespace {

std::vector<std::size_t> Repeat(std::size_t count, std::size_t width) { return std::vector<std::size_t>(count, width); }

std::size_t LongCount(const std::vector<TextKind>& kinds) {
  std::size_t n = 0;
  for (TextKind k : kinds) n += k == TextKind::kLong;
  return n;
}

TEST(MySqlPlan, KeepsCharWhereTheServerTakesItAndTurnsTheRestIntoLongtext) {
  struct Case {
    const char* what;
    std::vector<std::size_t> widths;
    std::vector<TextKind> kinds;
  };
  const auto C = TextKind::kChar, L = TextKind::kLong;
  const Case cases[] = {
      {"narrow columns stay", {3, 12}, {C, C}},
      {"255 is the widest char", {255, 256}, {C, L}},
      {"64 x char(255) fits the row", Repeat(64, 255), std::vector<TextKind>(64, C)},
      {"the widest of 65 x 255 goes first", [] { auto w = Repeat(65, 255); w[10] = 250; w[3] = 254; return w; }(),
       [&] { std::vector<TextKind> k(65, C); k[0] = L; return k; }()},
      {"40 x char(50) fits the record", Repeat(40, 50), std::vector<TextKind>(40, C)},
  };
  for (const Case& c : cases) EXPECT_EQ(PlanMySqlColumns(c.widths, 4), c.kinds) << c.what;
}

TEST(MySqlPlan, EveryPlanFitsBothLimits) {
  struct Case {
    std::vector<std::size_t> widths;
    std::size_t bytesPerChar;
  };
  std::vector<std::size_t> mixed;
  for (std::size_t i = 0; i < 255; ++i) mixed.push_back(1 + (i * 37) % 300);
  const Case cases[] = {{Repeat(255, 10), 4}, {Repeat(60, 40), 4},  {Repeat(255, 255), 4}, {mixed, 4},
                        {Repeat(255, 255), 1}, {Repeat(255, 63), 3}, {mixed, 1},            {Repeat(1, 100000), 4}};
  for (const Case& c : cases) {
    auto kinds = PlanMySqlColumns(c.widths, c.bytesPerChar);
    EXPECT_LE(MySqlRowBytes(c.widths, kinds, c.bytesPerChar), kMySqlMaxRowBytes);
    EXPECT_LE(InnoDbRecordBytes(c.widths, kinds, c.bytesPerChar), kInnoDbMaxRecordBytes);
  }
}

TEST(MySqlPlan, PrefersNarrowColumnsThatCostTheRecordOverWideOnesThatGoOffPage) {
  // 60 x char(200) already sit off the page; only the char(50) columns crowd it.
  auto widths = Repeat(60, 200);
  auto narrow = Repeat(40, 50);
  widths.insert(widths.end(), narrow.begin(), narrow.end());
  auto kinds = PlanMySqlColumns(widths, 4);
  for (std::size_t i = 0; i < 60; ++i) EXPECT_EQ(kinds[i], TextKind::kChar) << i;
  EXPECT_GT(LongCount(kinds), 0u);
  EXPECT_LE(InnoDbRecordBytes(widths, kinds, 4), kInnoDbMaxRecordBytes);
}

TEST(AccessPlan, TurnsTheWidestIntoMemoUntilTheLargestRowFits) {
  struct Case {
    const char* what;
    std::vector<std::size_t> widths;
    std::size_t memos;  // how many become memo
  };
  const Case cases[] = {
      {"narrow table stays char", {3, 10, 255}, 0},
      {"wider than 255", {256, 5}, 1},
      {"30 x 200 characters", Repeat(30, 200), 25},
      {"one very wide column", Repeat(1, 2025), 1},
      {"8 x 255 is too much for one row", Repeat(8, 255), 1},
  };
  for (const Case& c : cases) {
    auto kinds = PlanAccessColumns(c.widths);
    ASSERT_TRUE(kinds) << c.what;
    EXPECT_LE(AccessRowBytes(c.widths, *kinds), jet::kMaxRowSize) << c.what;
    EXPECT_EQ(LongCount(*kinds), c.memos) << c.what;
  }
}

TEST(AccessPlan, RowBytesFollowTheEngine) {
  // 2 bytes of column count, NULL bits, 2 bytes a character of fixed text;
  // a memo: 12-byte reference, up to 64 inline bytes, 2 offset bytes, and 4
  // bytes of trailer once.
  EXPECT_EQ(AccessRowBytes({10}, {TextKind::kChar}), 2u + 1 + 20);
  EXPECT_EQ(AccessRowBytes(Repeat(9, 1), std::vector<TextKind>(9, TextKind::kChar)), 2u + 2 + 18);
  EXPECT_EQ(AccessRowBytes({10, 300}, {TextKind::kChar, TextKind::kLong}), 2u + 1 + 20 + 4 + 78);
}

TEST(AccessPlan, RefusesTablesNoPlanCanHold) {
  EXPECT_FALSE(PlanAccessColumns(Repeat(256, 1))) << "more than 255 columns";
  EXPECT_FALSE(PlanAccessColumns(Repeat(255, 10))) << "narrow columns: a memo costs more than char(10)";
  EXPECT_TRUE(PlanAccessColumns(Repeat(255, 7)));
}

}  // namespace
