// The Jet session: which statements read and which write, and how the
// engine's values and failures become the data-access layer's.
#include "dataaccess/jet_session.h"

#include <cctype>
#include <string>
#include <type_traits>
#include <variant>

#include "dataaccess/error.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/write/database_writer.h"

namespace dataaccess {

namespace {

std::string DecimalDigits(unsigned __int128 magnitude) {
  if (magnitude == 0) return "0";
  std::string digits;
  while (magnitude != 0) {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  }
  return digits;
}

}  // namespace

Value FromJetValue(const jet::Value& value) {
  return std::visit(
      [](const auto& v) -> Value {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) return Null{};
        else if constexpr (std::is_same_v<T, bool>) return v;
        else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                           std::is_same_v<T, std::int32_t>)
          return static_cast<std::int64_t>(v);
        else if constexpr (std::is_same_v<T, jet::Currency>) return Currency{v.tenThousandths};
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) return v;
        else if constexpr (std::is_same_v<T, jet::DateTime>) return DateTime{v.oleDate};
        else if constexpr (std::is_same_v<T, jet::Text> || std::is_same_v<T, jet::Memo>) return v.text;
        else if constexpr (std::is_same_v<T, jet::Binary> || std::is_same_v<T, jet::Ole>) return Bytes(v.bytes);
        else if constexpr (std::is_same_v<T, jet::Guid>) return jet::GuidText(v);
        else if constexpr (std::is_same_v<T, jet::Decimal>)
          return Decimal{v.negative, DecimalDigits(v.magnitude), v.scale};
        else static_assert(!sizeof(T), "a Jet value type without a data-access counterpart");
      },
      value);
}

namespace {

// The rows of a SELECT, all read when the statement ran; each row is turned
// into Values only when it becomes current.
class JetResult : public ResultData {
 public:
  explicit JetResult(jet::ResultSet rows) : rows_(std::move(rows)) {
    for (const jet::Column& column : rows_.Columns()) names_.push_back(column.name);
  }

  std::int64_t RowCount() const override { return static_cast<std::int64_t>(rows_.RecordCount()); }
  int FieldCount() const override { return static_cast<int>(names_.size()); }
  const std::string& FieldName(int index) const override { return names_.at(index); }

  bool NextRow() override {
    if (next_ >= rows_.RecordCount()) {
      current_.clear();
      return false;
    }
    const std::vector<jet::Value>& row = rows_.Row(next_++);
    current_.clear();
    current_.reserve(row.size());
    for (const jet::Value& value : row) current_.push_back(FromJetValue(value));
    return true;
  }
  const Value& FieldValue(int index) const override { return current_.at(index); }

 private:
  jet::ResultSet rows_;
  std::vector<std::string> names_;
  std::size_t next_ = 0;
  std::vector<Value> current_;
};

// Jet answers rows only for SELECT; everything else changes the file.
bool IsSelect(std::string_view statement) {
  std::size_t start = 0;
  while (start < statement.size() && std::isspace(static_cast<unsigned char>(statement[start]))) ++start;
  return statement.size() - start > 6 && EqualsIgnoringCase(statement.substr(start, 6), "SELECT") &&
         !std::isalnum(static_cast<unsigned char>(statement[start + 6])) && statement[start + 6] != '_';
}

[[noreturn]] void Rethrow(const jet::Error& failure) { throw DbError(failure.Number(), failure.Description()); }

class JetSession : public EngineSession {
 public:
  JetSession(std::string path, std::string password)
      : path_(std::move(path)), password_(std::move(password)), database_(Open(path_, password_)) {}

  std::unique_ptr<ResultData> Execute(std::string_view statement) override {
    try {
      std::string sql(statement);
      if (IsSelect(sql)) return std::make_unique<JetResult>(database_.Execute(sql));
      jet::ExecuteStatement(path_, password_, sql);
      return nullptr;
    } catch (const jet::Error& failure) {
      Rethrow(failure);
    }
  }

 private:
  static jet::Database Open(const std::string& path, const std::string& password) {
    try {
      jet::Database database = jet::Database::Open(path, password);
      // Jet reads the catalogue when it opens a file; so do we, so that a
      // damaged or cut-short file fails here and not at the first statement.
      database.Tables();
      return database;
    } catch (const jet::Error& failure) {
      // Whatever kept the file from opening, callers see a failed connection.
      throw DbError(kConnectFailed, failure.Description());
    }
  }

  std::string path_;
  std::string password_;
  jet::Database database_;
};

}  // namespace

std::unique_ptr<EngineSession> OpenJetSession(const ConnectionAttributes& attributes) {
  return std::make_unique<JetSession>(attributes.Find({"Data Source"}).value_or(std::string()),
                                      attributes.Find({"Jet OLEDB:Database Password"}).value_or(std::string()));
}

}  // namespace dataaccess
