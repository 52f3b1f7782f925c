// The program's result set, shaped after ADO's Recordset: opened on a
// statement, it either holds that statement's rows (count known at once,
// walked forward with MoveNext until Eof) or, for a statement that returns no
// rows, runs it and stays closed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/engine.h"
#include "dataaccess/value.h"

namespace dataaccess {

class Connection;

inline constexpr int kOpenForwardOnly = 0;
inline constexpr int kOpenStatic = 3;
inline constexpr int kLockReadOnly = 1;
inline constexpr int kLockOptimistic = 3;

class Recordset;

// One field of a recordset by position: its name always, its value in the
// current row (an error once the rows are used up).
class Field {
 public:
  const std::string& Name() const;
  const dataaccess::Value& Value() const;

 private:
  friend class Recordset;
  Field(const Recordset* recordset, int index) : recordset_(recordset), index_(index) {}
  const Recordset* recordset_;
  int index_;
};

class Recordset {
 public:
  Recordset() = default;
  Recordset(Recordset&&) noexcept = default;
  Recordset& operator=(Recordset&&) noexcept = default;
  ~Recordset() = default;

  // Cursor and lock type are accepted as ADO takes them; every result is
  // read-only. A forward-only cursor may stream its rows (RecordCount -1, as
  // in ADO); any other cursor type gives a static snapshot.
  void Open(std::string_view source, Connection& activeConnection, int cursorType = kOpenStatic,
            int lockType = kLockOptimistic);
  void Close();
  // Closes it before its last row; a streamed one cuts its connection off
  // (see ResultData::Abandon).
  void Abandon();
  bool IsOpen() const { return data_ != nullptr; }

  std::int64_t RecordCount() const;
  bool Eof() const;
  int FieldCount() const;
  dataaccess::Field Field(int index) const;
  void MoveNext();

 private:
  friend class Connection;
  friend class dataaccess::Field;
  void Adopt(std::unique_ptr<ResultData> data);
  const ResultData& Data() const;

  std::unique_ptr<ResultData> data_;
  bool eof_ = true;
};

}  // namespace dataaccess
