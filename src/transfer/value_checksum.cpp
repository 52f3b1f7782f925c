#include "transfer/value_checksum.h"

#include <cstdio>
#include <unordered_map>

#include "dataaccess/connection.h"
#include "dataaccess/recordset.h"
#include "jet/value.h"
#include "transfer/cell_text.h"

namespace transfer {
namespace {

std::string Timestamp(int year, int month, int day, int hour, int minute, int second, unsigned long microsecond) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%06lu", year, month, day, hour, minute, second,
                microsecond);
  return text;
}

struct ComparableOf {
  std::string operator()(const dataaccess::Null&) const { return std::string(1, '\0'); }  // no text is this
  std::string operator()(bool b) const { return b ? "1" : "0"; }
  std::string operator()(const dataaccess::DateTime& t) const {
    const jet::CivilTime c = jet::ToCivil(t.oleDate);
    return Timestamp(c.year, c.month, c.day, c.hour, c.minute, c.second,
                     static_cast<unsigned long>(c.millisecond) * 1000);
  }
  std::string operator()(const dataaccess::SqlDateTime& t) const {
    using Kind = dataaccess::SqlDateTime::Kind;
    // A time of day is kept by Access on its day 0.
    if (t.kind == Kind::kTime && !t.negative && t.hour < 24)
      return Timestamp(1899, 12, 30, static_cast<int>(t.hour), static_cast<int>(t.minute),
                       static_cast<int>(t.second), t.microsecond);
    if (t.kind == Kind::kTime) return dataaccess::SqlDateTimeText(t);
    return Timestamp(static_cast<int>(t.year), static_cast<int>(t.month), static_cast<int>(t.day),
                     static_cast<int>(t.hour), static_cast<int>(t.minute), static_cast<int>(t.second),
                     t.microsecond);
  }
  template <typename Other>
  std::string operator()(const Other& v) const {
    return CellText(v);
  }
};

class RecordsetRows : public ComparableRows {
 public:
  RecordsetRows(std::unique_ptr<dataaccess::Recordset> rows, std::unique_ptr<dataaccess::Connection> through,
                std::function<void(std::vector<std::string>&)> adjust)
      : through_(std::move(through)), rows_(std::move(rows)), adjust_(std::move(adjust)) {}
  bool Next(std::vector<std::string>& texts) override {
    if (started_) rows_->MoveNext();
    started_ = true;
    if (rows_->Eof()) return false;
    texts.resize(static_cast<std::size_t>(rows_->FieldCount()));
    for (std::size_t j = 0; j < texts.size(); ++j) texts[j] = ComparableText(rows_->Field(static_cast<int>(j)).Value());
    if (adjust_) adjust_(texts);
    return true;
  }

 private:
  std::unique_ptr<dataaccess::Connection> through_;  // outlives the rows read through it
  std::unique_ptr<dataaccess::Recordset> rows_;
  std::function<void(std::vector<std::string>&)> adjust_;
  bool started_ = false;
};

}  // namespace

std::unique_ptr<ComparableRows> RecordsetComparableRows(std::unique_ptr<dataaccess::Recordset> rows,
                                                        std::unique_ptr<dataaccess::Connection> through,
                                                        std::function<void(std::vector<std::string>&)> adjust) {
  return std::make_unique<RecordsetRows>(std::move(rows), std::move(through), std::move(adjust));
}

std::string ComparableText(const dataaccess::Value& value) { return std::visit(ComparableOf{}, value); }

std::uint64_t ValueHash(std::string_view comparable) {
  // FNV-1a, then a final mix so that sums of near texts spread.
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : comparable) h = (h ^ c) * 1099511628211ull;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

std::optional<std::size_t> ColumnChecksums::FirstDifference(const ColumnChecksums& other) const {
  for (std::size_t j = 0; j < sums_.size(); ++j)
    if (sums_[j] != other.sums_[j]) return j;
  return std::nullopt;
}

std::optional<ValueDifference> FirstValueDifference(
    std::size_t columns, const std::function<std::unique_ptr<ComparableRows>(bool source)>& open) {
  std::vector<std::string> texts;
  auto sums = [&](bool source) {
    ColumnChecksums checksums(columns);
    std::unique_ptr<ComparableRows> rows = open(source);
    while (rows->Next(texts))
      for (std::size_t j = 0; j < columns; ++j) checksums.Add(j, texts[j]);
    return checksums;
  };
  const std::optional<std::size_t> column = sums(true).FirstDifference(sums(false));
  if (!column) return std::nullopt;
  // The target's values of that column, counted, then taken off one by one
  // as the source gives them.
  std::unordered_map<std::uint64_t, std::int64_t> held;
  for (std::unique_ptr<ComparableRows> rows = open(false); rows->Next(texts);) ++held[ValueHash(texts[*column])];
  std::int64_t row = 0;
  for (std::unique_ptr<ComparableRows> rows = open(true); rows->Next(texts);) {
    ++row;
    auto found = held.find(ValueHash(texts[*column]));
    if (found == held.end() || found->second == 0) return ValueDifference{row, *column};
    --found->second;
  }
  // Every source value is held: the target changed between the reads and
  // holds more rows; named at the row after the last.
  return ValueDifference{row + 1, *column};
}

}  // namespace transfer
