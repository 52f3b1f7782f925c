#include "transfer/cell_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using dataaccess::Bytes;
using dataaccess::Currency;
using dataaccess::DateTime;
using dataaccess::Decimal;
using dataaccess::Null;
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
      {"single shortest, not widened", 0.1f, "0.1"},
      {"single max", std::numeric_limits<float>::max(), "3.4028235e+38"},
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
      {"rounding to the next day", DateTime{36526.0 - 0.1 / 86400.0}, "2000-01-01"},
      {"a number past any calendar stays a number", DateTime{-1e300}, "-1e+300"},
      {"binary as hexadecimal", Bytes{0x00, 0xAB, 0x7F}, "0x00AB7F"},
      {"empty binary is empty", Bytes{}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CellText(c.value), c.text) << c.what;
  }
}

TEST(Utf16Length, CountsCodeUnitsAsJetDoes) {
  const struct {
    const char* text;
    std::size_t units;
  } cases[] = {
      {"", 0}, {"abc", 3}, {"\xC3\xA9t\xC3\xA9", 3},              // été
      {"\xCE\xB1\xCE\xB2", 2},                                      // Greek
      {"\xE2\x82\xAC", 1},                                          // euro sign
      {"\xF0\x9F\x98\x80", 2},                                      // emoji: a surrogate pair
      {"a\xF0\x9F\x98\x80z", 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(transfer::Utf16Length(c.text), c.units) << c.text;
  }
}

}  // namespace
