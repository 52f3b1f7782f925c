// The rows of one MySQL statement, held by the client library after
// mysql_stmt_store_result and turned into Values one row at a time, so a
// large table costs its stored rows plus one converted row.
#pragma once

#include <mysql.h>

#include <string>
#include <vector>

#include "dataaccess/engine.h"

namespace dataaccess {

class MySqlResult : public ResultData {
 public:
  // Takes over a statement whose result has been stored.
  explicit MySqlResult(MYSQL_STMT* stmt);
  ~MySqlResult() override;
  MySqlResult(const MySqlResult&) = delete;
  MySqlResult& operator=(const MySqlResult&) = delete;

  std::int64_t RowCount() const override;
  int FieldCount() const override { return static_cast<int>(columns_.size()); }
  const std::string& FieldName(int index) const override { return columns_[index].name; }
  bool NextRow() override;
  const Value& FieldValue(int index) const override { return row_[index]; }

 private:
  enum class Kind { kSigned, kUnsigned, kBit, kFloat, kDouble, kDecimal, kDate, kTime, kText, kBytes, kNull };
  struct Column {
    std::string name;
    Kind kind;
    enum_field_types type;
    unsigned decimals;
    std::vector<char> buffer;
    unsigned long length = 0;
    my_bool isNull = 0;
    my_bool error = 0;
  };

  void BindColumns();
  Value ConvertColumn(int index);
  // The whole of a text or binary value whose buffer was too small.
  std::string FetchLongValue(int index);

  MYSQL_STMT* stmt_;
  std::vector<Column> columns_;
  std::vector<MYSQL_BIND> binds_;
  std::vector<Value> row_;
};

}  // namespace dataaccess
