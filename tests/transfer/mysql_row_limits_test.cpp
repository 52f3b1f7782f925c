// The MySQL width model against the real server: at every edge the model
// must say what the server says, and every plan must be accepted (no table
// of up to 255 columns may be refused for its widths).
#include <gtest/gtest.h>

#include <random>

#include "dataaccess/error.h"
#include "test_server.h"
#include "transfer/column_plan.h"
#include "transfer/mysql_reader.h"
#include "transfer/statements.h"

using namespace transfer;

namespace {

struct Shape {
  std::vector<std::size_t> widths;
  std::vector<TextKind> kinds;
};

// count x width, char or longtext, in order.
Shape Make(std::initializer_list<std::tuple<std::size_t, std::size_t, TextKind>> groups) {
  Shape s;
  for (auto [count, width, kind] : groups) {
    s.widths.insert(s.widths.end(), count, width);
    s.kinds.insert(s.kinds.end(), count, kind);
  }
  return s;
}

std::vector<TargetColumn> Columns(const Shape& s) {
  std::vector<TargetColumn> columns;
  for (std::size_t i = 0; i < s.widths.size(); ++i)
    columns.push_back({"c" + std::to_string(i), s.widths[i], s.kinds[i]});
  return columns;
}

bool ServerAccepts(dataaccess::Connection& c, const Shape& s) {
  c.Execute("DROP TABLE IF EXISTS probe");
  try {
    c.Execute(MySqlCreateTable("probe", Columns(s)));
    return true;
  } catch (const dataaccess::DbError&) {
    return false;
  }
}

bool ModelAccepts(const Shape& s, std::size_t bytesPerChar) {
  return MySqlRowBytes(s.widths, s.kinds, bytesPerChar) <= kMySqlMaxRowBytes &&
         InnoDbRecordBytes(s.widths, s.kinds, bytesPerChar) <= kInnoDbMaxRecordBytes;
}

const auto C = TextKind::kChar;
const auto L = TextKind::kLong;

TEST(MySqlRowLimits, ModelAgreesWithTheServerAtTheEdges) {
  REQUIRE_TEST_SERVER(server);
  struct Case {
    const char* charset;
    std::size_t bytesPerChar;
    Shape shape;
  };
  const Case cases[] = {
      // InnoDB's record inside its page, utf8mb4
      {"utf8mb4", 4, Make({{40, 50, C}})},
      {"utf8mb4", 4, Make({{40, 51, C}})},
      {"utf8mb4", 4, Make({{41, 50, C}})},
      {"utf8mb4", 4, Make({{32, 63, C}})},
      {"utf8mb4", 4, Make({{33, 63, C}})},
      {"utf8mb4", 4, Make({{255, 63, C}})},
      {"utf8mb4", 4, Make({{255, 64, C}})},
      {"utf8mb4", 4, Make({{200, 64, C}})},
      {"utf8mb4", 4, Make({{255, 10, C}})},
      {"utf8mb4", 4, Make({{60, 40, C}})},
      {"utf8mb4", 4, Make({{31, 63, C}, {49, 1, C}})},
      {"utf8mb4", 4, Make({{31, 63, C}, {50, 1, C}})},
      {"utf8mb4", 4, Make({{31, 63, C}, {27, 2, C}})},
      {"utf8mb4", 4, Make({{31, 63, C}, {28, 2, C}})},
      {"utf8mb4", 4, Make({{30, 63, C}, {24, 64, C}})},
      {"utf8mb4", 4, Make({{30, 63, C}, {25, 64, C}})},
      {"utf8mb4", 4, Make({{30, 63, C}, {24, 1, L}})},
      {"utf8mb4", 4, Make({{30, 63, C}, {25, 1, L}})},
      // the server's 65,535-byte row
      {"utf8mb4", 4, Make({{64, 255, C}})},
      {"utf8mb4", 4, Make({{65, 255, C}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {1, 61, C}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {1, 62, C}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {59, 1, C}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {60, 1, C}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {12, 1, L}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {13, 1, L}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {10, 1, L}, {13, 1, C}, {1, 18, C}})},
      {"utf8mb4", 4, Make({{64, 255, C}, {10, 1, L}, {13, 1, C}, {1, 19, C}})},
      // a single-byte character set: fixed-length columns, always on the page
      {"latin1", 1, Make({{31, 255, C}})},
      {"latin1", 1, Make({{32, 255, C}})},
      {"latin1", 1, Make({{31, 255, C}, {170, 1, C}})},
      {"latin1", 1, Make({{31, 255, C}, {171, 1, C}})},
      {"latin1", 1, Make({{31, 255, C}, {9, 1, L}})},
      {"latin1", 1, Make({{31, 255, C}, {10, 1, L}})},
  };
  for (const char* charset : {"utf8mb4", "latin1"}) {
    testing_mysql::ScratchDatabase db(server, charset);
    auto connection = db.Connect();
    for (const Case& c : cases) {
      if (std::string(c.charset) != charset) continue;
      EXPECT_EQ(DatabaseBytesPerChar(*connection), c.bytesPerChar);
      EXPECT_EQ(ModelAccepts(c.shape, c.bytesPerChar), ServerAccepts(*connection, c.shape))
          << charset << " " << MySqlCreateTable("probe", Columns(c.shape)).substr(0, 120);
    }
  }
}

TEST(MySqlRowLimits, EveryPlanIsAccepted) {
  REQUIRE_TEST_SERVER(server);
  std::mt19937 random(20260612);
  std::vector<std::vector<std::size_t>> shapes = {std::vector<std::size_t>(255, 10), std::vector<std::size_t>(255, 255),
                                                  std::vector<std::size_t>(255, 63), std::vector<std::size_t>(30, 200),
                                                  std::vector<std::size_t>(1, 70000)};
  for (int i = 0; i < 40; ++i) {
    std::vector<std::size_t> widths(1 + random() % 255);
    std::size_t top = 1 + random() % 400;
    for (auto& w : widths) w = 1 + random() % top;
    shapes.push_back(widths);
  }
  for (const char* charset : {"utf8mb4", "latin1"}) {
    testing_mysql::ScratchDatabase db(server, charset);
    auto connection = db.Connect();
    std::size_t bytesPerChar = DatabaseBytesPerChar(*connection);
    for (const auto& widths : shapes) {
      Shape s{widths, PlanMySqlColumns(widths, bytesPerChar)};
      EXPECT_TRUE(ServerAccepts(*connection, s)) << charset << " " << MySqlCreateTable("probe", Columns(s)).substr(0, 200);
    }
  }
}

}  // namespace
