#include "transfer/mysql_reader.h"

#include "dataaccess/connection.h"
#include "dataaccess/error.h"
#include "dataaccess/recordset.h"
#include "transfer/cell_text.h"
#include "transfer/statements.h"

namespace transfer {

std::vector<std::string> DescribeMySqlTable(dataaccess::Connection& connection, const std::string& table) {
  dataaccess::Recordset description = connection.Execute(MySqlDescribe(table));
  std::vector<std::string> names;
  for (; !description.Eof(); description.MoveNext()) names.push_back(CellText(description.Field(0).Value()));
  return names;
}

MySqlRowStream::MySqlRowStream(dataaccess::Connection& connection, const std::string& table,
                               const std::vector<std::string>& columns)
    : rows_(std::make_unique<dataaccess::Recordset>()) {
  rows_->Open(MySqlSelectColumns(table, columns), connection, dataaccess::kOpenForwardOnly,
              dataaccess::kLockReadOnly);
}

MySqlRowStream::~MySqlRowStream() = default;

void MySqlRowStream::Abandon() { rows_->Abandon(); }

bool MySqlRowStream::Next(std::vector<std::optional<std::string_view>>& cells) {
  if (started_) rows_->MoveNext();
  started_ = true;
  if (rows_->Eof()) return false;
  const int fields = rows_->FieldCount();
  cells.resize(static_cast<std::size_t>(fields));
  converted_.resize(cells.size());
  for (int j = 0; j < fields; ++j) {
    const dataaccess::Value& value = rows_->Field(j).Value();
    if (dataaccess::IsNull(value)) {
      cells[j].reset();
    } else if (const auto* s = std::get_if<std::string>(&value)) {
      cells[j] = *s;
    } else {
      converted_[j] = CellText(value);
      cells[j] = converted_[j];
    }
  }
  return true;
}

std::size_t DatabaseBytesPerChar(dataaccess::Connection& connection) {
  constexpr std::size_t kWidest = 4;
  try {
    dataaccess::Recordset answer = connection.Execute(
        "SELECT MAXLEN FROM information_schema.CHARACTER_SETS "
        "WHERE CHARACTER_SET_NAME = @@character_set_database");
    if (answer.Eof()) return kWidest;
    const auto* maxlen = std::get_if<std::int64_t>(&answer.Field(0).Value());
    return maxlen && *maxlen >= 1 && *maxlen <= 4 ? static_cast<std::size_t>(*maxlen) : kWidest;
  } catch (const dataaccess::DbError&) {
    return kWidest;
  }
}

std::size_t MaxAllowedPacket(dataaccess::Connection& connection) {
  dataaccess::Recordset answer = connection.Execute("SELECT @@max_allowed_packet");
  const auto* bytes = std::get_if<std::int64_t>(&answer.Field(0).Value());
  if (bytes == nullptr || *bytes <= 0) throw dataaccess::DbError(dataaccess::kClientFailure, "The server gave no max_allowed_packet.");
  return static_cast<std::size_t>(*bytes);
}

}  // namespace transfer
