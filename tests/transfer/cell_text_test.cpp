#include "transfer/cell_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using dataaccess::Bytes;
using dataaccess::Currency;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Null;
using dataaccess::SqlDateTime;
using dataaccess::Value;
using transfer::CellText;

namespace {

struct Case {
  const char* what;
  Value value;
  const char* text;
};

TEST(CellText, GivesEachValueKindItsTextForm) {
  const Case cases[] = {
      {"null is empty", Null{}, ""},
      {"empty text stays empty", std::string(), ""},
      {"text unchanged", std::string("O'Brien \\ C:\\new"), "O'Brien \\ C:\\new"},
      {"true", true, "True"},
      {"false", false, "False"},
      {"negative integer", std::int64_t{-1234}, "-1234"},
      {"zero", std::int64_t{0}, "0"},
      {"double shortest", 0.1, "0.1"},
      {"double whole", 3.0, "3"},
      {"double sum keeps every digit it needs", 0.1 + 0.2, "0.30000000000000004"},
      {"double 1e5 in plain decimal", 100000.0, "100000"},
      {"double 1e6 in plain decimal", 1000000.0, "1000000"},
      {"double 1e-4 in plain decimal", 0.0001, "0.0001"},
      {"double negative small", -0.00012, "-0.00012"},
      {"double 15 integer digits plain", 999999999999999.0, "999999999999999"},
      {"double 16 integer digits in E notation", 1e15, "1E+15"},
      {"double large with digits", 1.2345e20, "1.2345E+20"},
      {"double huge", 1e300, "1E+300"},
      {"double 15 zeros after the point plain", 1e-16, "0.0000000000000001"},
      {"double 16 zeros after the point in E notation", 1e-17, "1E-17"},
      {"double tiny", 1.5e-20, "1.5E-20"},
      {"double largest", std::numeric_limits<double>::max(), "1.7976931348623157E+308"},
      {"double smallest subnormal", std::numeric_limits<double>::denorm_min(), "5E-324"},
      {"double negative zero", -0.0, "-0"},
      {"single shortest, not widened", 0.1f, "0.1"},
      {"single 1e5 in plain decimal", 100000.0f, "100000"},
      {"single 2^24", 16777216.0f, "16777216"},
      {"single 1e-4 in plain decimal", 0.0001f, "0.0001"},
      {"single max", std::numeric_limits<float>::max(), "3.4028235E+38"},
      {"currency cents", Currency{123400}, "12.34"},
      {"currency whole", Currency{50000}, "5"},
      {"currency negative fraction", Currency{-5000}, "-0.5"},
      {"currency smallest", Currency{std::numeric_limits<std::int64_t>::min()},
       "-922337203685477.5808"},
      {"decimal exact", Decimal{false, "123456789012345678901234567", 4},
       "12345678901234567890123.4567"},
      {"decimal leading zeros", Decimal{true, "5", 3}, "-0.005"},
      {"decimal trailing zeros", Decimal{false, "1200", 2}, "12"},
      {"decimal negative zero", Decimal{true, "0", 2}, "0"},
      {"date alone at midnight", DateTime{36526.0}, "2000-01-01"},
      {"date and time to the second", DateTime{36526.0 + (13 * 3600 + 14 * 60 + 15) / 86400.0},
       "2000-01-01 13:14:15"},
      {"time alone", DateTime{0.75}, "18:00:00"},
      {"day zero midnight", DateTime{0.0}, "00:00:00"},
      {"before 1899-12-30 the fraction counts forward", DateTime{-1.25}, "1899-12-29 06:00:00"},
      {"far past", DateTime{-657434.0}, "0100-01-01"},
      {"far future", DateTime{2958465.0}, "9999-12-31"},
      {"milliseconds kept", DateTime{36526.0 + (13 * 3600 + 14 * 60 + 15.25) / 86400.0}, "2000-01-01 13:14:15.250"},
      {"last millisecond not rounded into the next day", DateTime{36526.0 - 0.001 / 86400.0},
       "1999-12-31 23:59:59.999"},
      {"a tenth before midnight stays on its day", DateTime{36526.0 - 0.3 / 86400.0}, "1999-12-31 23:59:59.700"},
      {"half a second stays half a second", DateTime{0.5 + 0.5 / 86400.0}, "12:00:00.500"},
      {"time alone with milliseconds", DateTime{(23 * 3600 + 59 * 60 + 59.999) / 86400.0}, "23:59:59.999"},
      {"less than half a millisecond is the next midnight", DateTime{36526.0 - 0.0004 / 86400.0},
       "2000-01-01"},
      // MySQL's dates and times read exactly as MySQL shows them.
      {"MySQL date on day 0 is a date", SqlDateTime{SqlDateTime::Kind::kDate, false, 1899, 12, 30}, "1899-12-30"},
      {"MySQL datetime on day 0 keeps its date",
       SqlDateTime{SqlDateTime::Kind::kDateTime, false, 1899, 12, 30, 10, 0, 0}, "1899-12-30 10:00:00"},
      {"MySQL TIME(3) last millisecond", SqlDateTime{SqlDateTime::Kind::kTime, false, 0, 0, 0, 23, 59, 59, 999000, 3},
       "23:59:59.999"},
      {"MySQL TIME(3) half a second", SqlDateTime{SqlDateTime::Kind::kTime, false, 0, 0, 0, 12, 0, 0, 500000, 3},
       "12:00:00.500"},
      {"MySQL DATETIME(6) last microsecond",
       SqlDateTime{SqlDateTime::Kind::kDateTime, false, 2020, 1, 1, 23, 59, 59, 999999, 6},
       "2020-01-01 23:59:59.999999"},
      {"MySQL DATETIME(2) shows two digits",
       SqlDateTime{SqlDateTime::Kind::kDateTime, false, 2020, 1, 1, 0, 0, 0, 100000, 2}, "2020-01-01 00:00:00.10"},
      {"MySQL TIME as a negative duration", SqlDateTime{SqlDateTime::Kind::kTime, true, 0, 0, 0, 838, 59, 59},
       "-838:59:59"},
      {"MySQL zero date", SqlDateTime{SqlDateTime::Kind::kDate, false, 0, 0, 0}, "0000-00-00"},
      {"a number past any calendar stays a number", DateTime{-1e300}, "-1E+300"},
      {"binary as hexadecimal", Bytes{0x00, 0xAB, 0x7F}, "0x00AB7F"},
      {"empty binary is empty", Bytes{}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CellText(c.value), c.text) << c.what;
  }
}

TEST(NonFiniteName, NamesOnlyNumbersWithoutADecimalText) {
  EXPECT_STREQ(transfer::NonFiniteName(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_STREQ(transfer::NonFiniteName(std::numeric_limits<float>::infinity()), "Infinity");
  EXPECT_STREQ(transfer::NonFiniteName(-std::numeric_limits<double>::infinity()), "-Infinity");
  EXPECT_EQ(transfer::NonFiniteName(std::numeric_limits<double>::max()), nullptr);
  EXPECT_EQ(transfer::NonFiniteName(std::string("NaN")), nullptr);
}

}  // namespace
