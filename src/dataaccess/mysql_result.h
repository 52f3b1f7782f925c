// The rows of one MySQL statement, turned into Values one row at a time:
// either held by the client library after mysql_stmt_store_result (count
// known), or streamed from the server as they are fetched (count -1), so a
// large table costs at most its stored rows plus one converted row.
#pragma once

#include <mysql.h>

#include <string>
#include <vector>

#include "dataaccess/engine.h"

namespace dataaccess {

class MySqlResult : public ResultData {
 public:
  enum class Rows { kStored, kStreamed };
  // Takes over an executed statement of the session `mysql`; kStored when
  // its result has been stored.
  MySqlResult(MYSQL* mysql, MYSQL_STMT* stmt, Rows rows);
  ~MySqlResult() override;
  MySqlResult(const MySqlResult&) = delete;
  MySqlResult& operator=(const MySqlResult&) = delete;

  std::int64_t RowCount() const override;
  int FieldCount() const override { return static_cast<int>(columns_.size()); }
  const std::string& FieldName(int index) const override { return columns_[index].name; }
  bool NextRow() override;
  const Value& FieldValue(int index) const override { return row_[index]; }
  void Abandon() override;

 private:
  enum class Kind { kSigned, kUnsigned, kYear, kBit, kFloat, kDouble, kDecimal, kDate, kTime, kText, kBytes, kNull };
  struct Column {
    std::string name;
    Kind kind;
    enum_field_types type;
    unsigned decimals;
    unsigned width = 0;  // YEAR's display digits
    std::vector<char> buffer;
    unsigned long length = 0;
    my_bool isNull = 0;
    my_bool error = 0;
  };

  void BindColumns();
  Value ConvertColumn(int index);
  // The whole of a text or binary value whose buffer was too small.
  std::string FetchLongValue(int index);

  MYSQL* mysql_;  // where a lost connection's failure is recorded
  MYSQL_STMT* stmt_;
  Rows rows_;
  bool usedUp_ = false;  // the server has sent its last row
  std::vector<Column> columns_;
  std::vector<MYSQL_BIND> binds_;
  std::vector<Value> row_;
};

}  // namespace dataaccess
