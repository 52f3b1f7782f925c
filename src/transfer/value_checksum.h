// Comparing the values of the two sides of a send with kept column types.
// Each value is reduced to one text both sides give alike for the same
// value (a date as yyyy-mm-dd hh:mm:ss.ffffff whichever side and type holds
// it, Yes/No as 1 or 0, numbers in their plain decimal, Null apart from every
// text), each column's texts are hashed and summed, so the rows may come in
// any order. Where a column's sums differ, that column is read again on both
// sides to find the first source row whose value the target lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/value.h"

namespace dataaccess {
class Connection;
class Recordset;
}  // namespace dataaccess

namespace transfer {

std::string ComparableText(const dataaccess::Value& value);

std::uint64_t ValueHash(std::string_view comparable);

// Per column, the sum of its values' hashes.
class ColumnChecksums {
 public:
  explicit ColumnChecksums(std::size_t columns) : sums_(columns, 0) {}
  void Add(std::size_t column, std::string_view comparable) { sums_[column] += ValueHash(comparable); }
  // The first column whose sum differs from `other`'s.
  std::optional<std::size_t> FirstDifference(const ColumnChecksums& other) const;

 private:
  std::vector<std::uint64_t> sums_;
};

// One side's rows, each as the comparable texts of its columns.
class ComparableRows {
 public:
  virtual ~ComparableRows() = default;
  // False after the last row. Throws DbError.
  virtual bool Next(std::vector<std::string>& texts) = 0;
};

// The rows of `rows` (open on its first row), each value made comparable,
// then passed to `adjust` when given; holds `through`, the connection it
// reads by, when given one.
std::unique_ptr<ComparableRows> RecordsetComparableRows(
    std::unique_ptr<dataaccess::Recordset> rows, std::unique_ptr<dataaccess::Connection> through = nullptr,
    std::function<void(std::vector<std::string>&)> adjust = {});

// Where the target's values differ from the source's: the first source row
// (1 for the first) and the column (index) whose value the target lacks;
// nullopt when every column agrees. `open` gives a fresh read of each side
// from its first row (the source when true). Throws DbError.
struct ValueDifference {
  std::int64_t row = 0;
  std::size_t column = 0;
};
std::optional<ValueDifference> FirstValueDifference(
    std::size_t columns, const std::function<std::unique_ptr<ComparableRows>(bool source)>& open);

}  // namespace transfer
