// Reading stored MySQL rows through the binary protocol and typing each value:
// integers as int64, DECIMAL exact, FLOAT and DOUBLE as themselves, dates and
// times field by field as MySQL holds them (an OLE date could not hold every
// one: zero dates, years before 100, TIME as a duration, microseconds on any
// day), YEAR as the digits MySQL shows (0000 included), text as UTF-8 and
// binary columns (character set 63) as bytes.
#include "dataaccess/mysql_result.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include <sys/socket.h>

#include "dataaccess/mysql_failure.h"

namespace dataaccess {

namespace {

constexpr unsigned kBinaryCharset = 63;
constexpr unsigned kNoFixedDecimals = 31;  // the server's "decimals not fixed" marker

Decimal ParseDecimal(std::string_view text) {
  Decimal result;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    result.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::size_t point = text.find('.');
  if (point != std::string_view::npos) result.scale = static_cast<int>(text.size() - point - 1);
  for (char c : text) {
    if (c != '.') result.digits += c;
  }
  std::size_t firstNonZero = result.digits.find_first_not_of('0');
  if (firstNonZero == std::string::npos) {
    result.digits = "0";
    result.negative = false;
  } else {
    result.digits.erase(0, firstNonZero);
  }
  return result;
}

SqlDateTime DateTimeValue(const MYSQL_TIME& t, enum_field_types type, unsigned decimals) {
  SqlDateTime value;
  switch (type) {
    case MYSQL_TYPE_DATE: case MYSQL_TYPE_NEWDATE: value.kind = SqlDateTime::Kind::kDate; break;
    case MYSQL_TYPE_TIME: case MYSQL_TYPE_TIME2: value.kind = SqlDateTime::Kind::kTime; break;
    default: value.kind = SqlDateTime::Kind::kDateTime; break;
  }
  value.negative = t.neg != 0;
  value.year = t.year;
  value.month = t.month;
  value.day = t.day;
  // The library gives a TIME of more than a day as days and hours.
  value.hour = t.hour + (value.kind == SqlDateTime::Kind::kTime ? t.day * 24 : 0);
  if (value.kind == SqlDateTime::Kind::kTime) value.day = 0;
  value.minute = t.minute;
  value.second = t.second;
  value.microsecond = t.second_part;
  value.decimals = value.kind == SqlDateTime::Kind::kDate ? 0 : decimals;
  return value;
}

// YEAR as MySQL shows it: four digits (two for the old YEAR(2)), 0000 too.
std::string YearText(long long year, unsigned width) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*lld", static_cast<int>(width == 2 ? 2 : 4), year);
  return text;
}

Value UnsignedValue(unsigned long long v) {
  if (v > static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max()))
    return Decimal{false, std::to_string(v), 0};  // beyond int64: kept exact
  return static_cast<std::int64_t>(v);
}

// A stored result knows its longest value; a streamed one sizes for the
// declared length up to a limit, and a longer value is fetched on its own.
unsigned long TextBufferSize(const MYSQL_FIELD& field, MySqlResult::Rows rows) {
  constexpr unsigned long kStreamedBufferLimit = 1024;
  if (rows == MySqlResult::Rows::kStored) return std::max<unsigned long>(field.max_length, 1);
  return std::clamp<unsigned long>(field.length, 1, kStreamedBufferLimit);
}

}  // namespace

MySqlResult::MySqlResult(MYSQL* mysql, MYSQL_STMT* stmt, Rows rows) : mysql_(mysql), stmt_(stmt), rows_(rows) {
  MYSQL_RES* metadata = mysql_stmt_result_metadata(stmt_);
  unsigned count = mysql_stmt_field_count(stmt_);
  MYSQL_FIELD* fields = mysql_fetch_fields(metadata);
  columns_.resize(count);
  for (unsigned i = 0; i < count; ++i) {
    const MYSQL_FIELD& field = fields[i];
    Column& column = columns_[i];
    column.name.assign(field.name, field.name_length);
    column.type = field.type;
    column.decimals = field.decimals == kNoFixedDecimals ? 6 : field.decimals;
    bool isUnsigned = (field.flags & UNSIGNED_FLAG) != 0;
    switch (field.type) {
      case MYSQL_TYPE_TINY: case MYSQL_TYPE_SHORT: case MYSQL_TYPE_INT24:
      case MYSQL_TYPE_LONG: case MYSQL_TYPE_LONGLONG:
        column.kind = isUnsigned ? Kind::kUnsigned : Kind::kSigned;
        break;
      case MYSQL_TYPE_YEAR:
        column.kind = Kind::kYear;
        column.width = static_cast<unsigned>(field.length);
        break;
      case MYSQL_TYPE_BIT:
        // Read as its raw big-endian bytes: the library's own conversion to
        // an integer puts multi-byte values in the wrong order.
        column.kind = Kind::kBit;
        column.buffer.resize(8);
        break;
      case MYSQL_TYPE_FLOAT: column.kind = Kind::kFloat; break;
      case MYSQL_TYPE_DOUBLE: column.kind = Kind::kDouble; break;
      case MYSQL_TYPE_DECIMAL: case MYSQL_TYPE_NEWDECIMAL: column.kind = Kind::kDecimal; break;
      case MYSQL_TYPE_DATE: case MYSQL_TYPE_NEWDATE: case MYSQL_TYPE_DATETIME:
      case MYSQL_TYPE_TIMESTAMP: case MYSQL_TYPE_DATETIME2: case MYSQL_TYPE_TIMESTAMP2:
        column.kind = Kind::kDate;
        break;
      case MYSQL_TYPE_TIME: case MYSQL_TYPE_TIME2: column.kind = Kind::kTime; break;
      case MYSQL_TYPE_NULL: column.kind = Kind::kNull; break;
      default:
        column.kind = field.charsetnr == kBinaryCharset ? Kind::kBytes : Kind::kText;
        column.buffer.resize(TextBufferSize(field, rows) + 1);
        break;
    }
    if (column.kind == Kind::kDecimal) column.buffer.resize(std::max<unsigned long>(field.max_length, 80) + 1);
  }
  mysql_free_result(metadata);
  BindColumns();
  row_.resize(count);
}

MySqlResult::~MySqlResult() { mysql_stmt_close(stmt_); }

void MySqlResult::Abandon() {
  if (rows_ == Rows::kStreamed && !usedUp_) {
    // A socket shut down without a reset leaves the server writing into it
    // until net_write_timeout, holding its locks on the table; closed with a
    // zero linger, it resets and the server stops at once.
    int socket = static_cast<int>(mysql_get_socket(mysql_));
    const linger reset{1, 0};
    if (socket >= 0) setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    mariadb_cancel(mysql_);
  }
}

void MySqlResult::BindColumns() {
  binds_.assign(columns_.size(), MYSQL_BIND{});
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    Column& column = columns_[i];
    MYSQL_BIND& bind = binds_[i];
    bind.length = &column.length;
    bind.is_null = &column.isNull;
    bind.error = &column.error;
    switch (column.kind) {
      case Kind::kSigned: case Kind::kUnsigned: case Kind::kYear:
        column.buffer.resize(sizeof(long long));
        bind.buffer_type = MYSQL_TYPE_LONGLONG;
        bind.is_unsigned = column.kind == Kind::kUnsigned;
        break;
      case Kind::kFloat:
        column.buffer.resize(sizeof(float));
        bind.buffer_type = MYSQL_TYPE_FLOAT;
        break;
      case Kind::kDouble:
        column.buffer.resize(sizeof(double));
        bind.buffer_type = MYSQL_TYPE_DOUBLE;
        break;
      case Kind::kDate: case Kind::kTime:
        column.buffer.resize(sizeof(MYSQL_TIME));
        bind.buffer_type = column.kind == Kind::kTime ? MYSQL_TYPE_TIME : MYSQL_TYPE_DATETIME;
        break;
      case Kind::kDecimal: case Kind::kText: case Kind::kBytes: case Kind::kBit:
        bind.buffer_type = column.kind == Kind::kBytes || column.kind == Kind::kBit ? MYSQL_TYPE_BLOB
                                                                                     : MYSQL_TYPE_STRING;
        break;
      case Kind::kNull:
        bind.buffer_type = MYSQL_TYPE_NULL;
        break;
    }
    bind.buffer = column.buffer.data();
    bind.buffer_length = column.buffer.size();
  }
  if (mysql_stmt_bind_result(stmt_, binds_.data()) != 0)
    throw MySqlFailure(mysql_, stmt_);
}

std::int64_t MySqlResult::RowCount() const {
  return rows_ == Rows::kStored ? static_cast<std::int64_t>(mysql_stmt_num_rows(stmt_)) : -1;
}

bool MySqlResult::NextRow() {
  int status = mysql_stmt_fetch(stmt_);
  if (status == MYSQL_NO_DATA) {
    usedUp_ = true;
    return false;
  }
  if (status == 1) throw MySqlFailure(mysql_, stmt_);
  for (std::size_t i = 0; i < columns_.size(); ++i) row_[i] = ConvertColumn(static_cast<int>(i));
  return true;
}

std::string MySqlResult::FetchLongValue(int index) {
  Column& column = columns_[index];
  std::string value(column.length, '\0');
  MYSQL_BIND bind{};
  unsigned long length = 0;
  bind.buffer_type = binds_[index].buffer_type;
  bind.buffer = value.data();
  bind.buffer_length = value.size();
  bind.length = &length;
  if (mysql_stmt_fetch_column(stmt_, &bind, static_cast<unsigned>(index), 0) != 0)
    throw MySqlFailure(mysql_, stmt_);
  return value;
}

Value MySqlResult::ConvertColumn(int index) {
  Column& column = columns_[index];
  if (column.isNull || column.kind == Kind::kNull) return Null{};
  const char* data = column.buffer.data();
  switch (column.kind) {
    case Kind::kSigned: {
      long long v;
      std::memcpy(&v, data, sizeof v);
      return std::int64_t{v};
    }
    case Kind::kYear: {
      long long v;
      std::memcpy(&v, data, sizeof v);
      return YearText(v, column.width);
    }
    case Kind::kUnsigned: {
      unsigned long long v;
      std::memcpy(&v, data, sizeof v);
      return UnsignedValue(v);
    }
    case Kind::kBit: {
      unsigned long long v = 0;
      for (unsigned long i = 0; i < column.length; ++i) v = (v << 8) | static_cast<unsigned char>(data[i]);
      return UnsignedValue(v);
    }
    case Kind::kFloat: {
      float v;
      std::memcpy(&v, data, sizeof v);
      return v;
    }
    case Kind::kDouble: {
      double v;
      std::memcpy(&v, data, sizeof v);
      return v;
    }
    case Kind::kDate: case Kind::kTime: {
      MYSQL_TIME t;
      std::memcpy(&t, data, sizeof t);
      return DateTimeValue(t, column.type, column.decimals);
    }
    case Kind::kDecimal: case Kind::kText: case Kind::kBytes: {
      std::string text = column.length > column.buffer.size() ? FetchLongValue(index)
                                                                : std::string(data, column.length);
      if (column.kind == Kind::kDecimal) return ParseDecimal(text);
      if (column.kind == Kind::kText) return text;
      return Bytes(text.begin(), text.end());
    }
    case Kind::kNull:
      break;
  }
  return Null{};
}

}  // namespace dataaccess
