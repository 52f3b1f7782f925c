// Recordset: a forward walk over the rows an engine handed over.
#include "dataaccess/recordset.h"

#include "dataaccess/connection.h"
#include "dataaccess/error.h"

namespace dataaccess {

void Recordset::Open(std::string_view source, Connection& activeConnection, int cursorType,
                     int /*lockType*/) {
  if (IsOpen()) throw DbError(kClientFailure, "Operation is not allowed when the recordset is open.");
  EngineSession& session = activeConnection.Session();
  Adopt(cursorType == kOpenForwardOnly ? session.ExecuteStreamed(source) : session.Execute(source));
}

void Recordset::Adopt(std::unique_ptr<ResultData> data) {
  data_ = std::move(data);
  eof_ = data_ == nullptr || !data_->NextRow();
}

void Recordset::Close() {
  data_.reset();
  eof_ = true;
}

void Recordset::Abandon() {
  if (data_) data_->Abandon();
  Close();
}

const ResultData& Recordset::Data() const {
  if (!data_) throw DbError(kClientFailure, "Operation is not allowed when the recordset is closed.");
  return *data_;
}

std::int64_t Recordset::RecordCount() const { return Data().RowCount(); }

bool Recordset::Eof() const {
  Data();
  return eof_;
}

int Recordset::FieldCount() const { return Data().FieldCount(); }

Field Recordset::Field(int index) const {
  const ResultData& data = Data();
  if (index < 0 || index >= data.FieldCount())
    throw DbError(kClientFailure, "No field at position " + std::to_string(index) + ".");
  return dataaccess::Field(this, index);
}

const std::string& Field::Name() const { return recordset_->Data().FieldName(index_); }

const Value& Field::Value() const {
  const ResultData& data = recordset_->Data();
  if (recordset_->eof_) throw DbError(kClientFailure, "There is no current row: the end of the rows is reached.");
  return data.FieldValue(index_);
}

void Recordset::MoveNext() {
  Data();
  if (eof_) throw DbError(kClientFailure, "There is no current row: the end of the rows is reached.");
  eof_ = !data_->NextRow();
}

}  // namespace dataaccess
