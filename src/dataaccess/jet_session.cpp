// The Jet session: which statements read and which write, and how the
// engine's values and failures become the data-access layer's.
#include "dataaccess/jet_session.h"

#include <cctype>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>

#include "dataaccess/error.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/page_cursor.h"
#include "jet/sql/statement.h"
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

Value FromJetValue(jet::Value&& value) {
  return std::visit(
      [](auto&& v) -> Value {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) return Null{};
        else if constexpr (std::is_same_v<T, bool>) return v;
        else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int16_t> ||
                           std::is_same_v<T, std::int32_t>)
          return static_cast<std::int64_t>(v);
        else if constexpr (std::is_same_v<T, jet::Currency>) return Currency{v.tenThousandths};
        else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) return v;
        else if constexpr (std::is_same_v<T, jet::DateTime>) return DateTime{v.oleDate};
        else if constexpr (std::is_same_v<T, jet::Text> || std::is_same_v<T, jet::Memo>) return std::move(v.text);
        else if constexpr (std::is_same_v<T, jet::Binary> || std::is_same_v<T, jet::Ole>) return std::move(v.bytes);
        else if constexpr (std::is_same_v<T, jet::Guid>) return jet::GuidText(v);
        else if constexpr (std::is_same_v<T, jet::Decimal>)
          return Decimal{v.negative, DecimalDigits(v.magnitude), v.scale};
        else static_assert(!sizeof(T), "a Jet value type without a data-access counterpart");
      },
      std::move(value));
}

Value FromJetValue(const jet::Value& value) { return FromJetValue(jet::Value(value)); }

namespace {

// The rows of SELECT * FROM a table, counted exactly when the statement ran
// and then decoded a run of data pages at a time as the cursor reaches them,
// each run under a lock of its own: an open result, however long it stays
// open, blocks no writer and never holds more than one run of rows.
class JetResult : public ResultData {
 public:
  explicit JetResult(jet::PageCursor cursor) : cursor_(std::move(cursor)) {
    for (const jet::Column& column : cursor_.Columns()) names_.push_back(column.name);
  }

  std::int64_t RowCount() const override { return static_cast<std::int64_t>(cursor_.RowCount()); }
  int FieldCount() const override { return static_cast<int>(names_.size()); }
  const std::string& FieldName(int index) const override { return names_.at(index); }

  bool NextRow() override {
    current_ += names_.size();
    if (current_ < used_) return true;
    used_ = 0;
    current_ = 0;
    if (delivered_ == cursor_.RowCount()) return false;
    try {
      while (used_ == 0) {
        bool more = cursor_.NextPages([&](std::vector<jet::Value>& row) {
          if (delivered_ == cursor_.RowCount()) return;  // rows added since the count
          ++delivered_;
          for (jet::Value& value : row) Put(value);
        });
        if (!more) break;
      }
    } catch (const jet::Error& failure) {
      throw DbError(failure.Number(), failure.Description());
    }
    if (used_ == 0 && delivered_ < cursor_.RowCount())
      throw DbError(kCommandError, "The table '" + cursor_.TableName() + "' lost rows while they were read: " +
                                       std::to_string(delivered_) + " of " + std::to_string(cursor_.RowCount()) +
                                       " were found.");
    return used_ != 0;
  }
  const Value& FieldValue(int index) const override {
    return page_.at(current_ + static_cast<std::size_t>(index));
  }

 private:
  // Stores the next value of the page. A text goes into the storage of the
  // text that held its place on the last page, so that a long read does not
  // allocate for every value.
  void Put(jet::Value& value) {
    if (used_ == page_.size()) page_.emplace_back();
    Value& slot = page_[used_++];
    const std::string* text = nullptr;
    if (const auto* t = std::get_if<jet::Text>(&value)) text = &t->text;
    if (const auto* m = std::get_if<jet::Memo>(&value)) text = &m->text;
    if (auto* kept = std::get_if<std::string>(&slot); kept && text) {
      kept->assign(*text);
      return;
    }
    slot = FromJetValue(std::move(value));
  }

  jet::PageCursor cursor_;
  std::vector<std::string> names_;
  std::uint64_t delivered_ = 0;  // rows handed out of the cursor
  std::vector<Value> page_;      // the current page's rows, field after field
  std::size_t used_ = 0;         // values of the current page in page_
  std::size_t current_ = 0;      // where the current row starts in page_
};

// Jet answers rows only for SELECT; everything else changes the file.
bool IsSelect(std::string_view statement) {
  std::size_t start = 0;
  while (start < statement.size() && std::isspace(static_cast<unsigned char>(statement[start]))) ++start;
  return statement.size() - start > 6 && EqualsIgnoringCase(statement.substr(start, 6), "SELECT") &&
         !std::isalnum(static_cast<unsigned char>(statement[start + 6])) && statement[start + 6] != '_';
}

[[noreturn]] void Rethrow(const jet::Error& failure) { throw DbError(failure.Number(), failure.Description()); }

// The table and columns of a SELECT, through the engine's statement parser.
jet::sql::Select ParsedSelect(std::string_view sql) {
  jet::sql::Statement parsed;
  try {
    parsed = jet::sql::Parse(sql);
  } catch (const jet::sql::SyntaxError& failure) {
    throw DbError(kCommandError, failure.what());
  }
  if (auto* select = std::get_if<jet::sql::Select>(&parsed)) return std::move(*select);
  throw DbError(kCommandError, "Only SELECT returns rows.");
}

class JetSession : public EngineSession {
 public:
  JetSession(const std::string& path, const std::string& password) : database_(Open(path, password)) {}

  std::unique_ptr<ResultData> Execute(std::string_view statement) override {
    try {
      if (IsSelect(statement)) {
        jet::sql::Select select = ParsedSelect(statement);
        return std::make_unique<JetResult>(jet::PageCursor(database_, select.table, select.columns));
      }
      Writer().Execute(statement);
      return nullptr;
    } catch (const jet::Error& failure) {
      Rethrow(failure);
    }
  }

  void BeginBatch() override {
    try {
      Writer().BeginBatch();
    } catch (const jet::Error& failure) {
      Rethrow(failure);
    }
  }

  void CommitBatch() override {
    try {
      Writer().CommitBatch();
    } catch (const jet::Error& failure) {
      Rethrow(failure);
    }
  }

  // A failed write undoes the batch in the engine's pager; the writer still
  // holds the lock until it is told.
  bool InBatch() const override {
    return writer_ && writer_->InBatch() && database_.Shared()->pager.InBatch();
  }

  // The changes are in the file this session opened; a sync of whatever now
  // sits at its path would report them saved when they are not.
  void Sync() override {
    try {
      jet::File& file = *database_.Shared()->file;
      file.CheckStillAtPath();
      file.Sync();
    } catch (const jet::Error& failure) {
      Rethrow(failure);
    }
  }

 private:
  static jet::Database Open(const std::string& path, const std::string& password) {
    try {
      // Opening checks the catalogue, so that a damaged or cut-short file
      // fails here and not at the first statement; the entries are left to
      // the statement, which reads those it needs.
      return jet::Database::OpenQuickly(path, password);
    } catch (const jet::Error& failure) {
      // Whatever kept the file from opening, callers see a failed connection.
      throw DbError(kConnectFailed, failure.Description());
    }
  }

  // The file this session opened serves the writes too, through one writer
  // that keeps its insert target from one statement to the next.
  jet::DatabaseWriter& Writer() {
    if (!writer_) writer_.emplace(jet::DatabaseWriter::On(database_.Shared()));
    if (writer_->InBatch() && !database_.Shared()->pager.InBatch()) writer_->RollbackBatch();
    return *writer_;
  }

  jet::Database database_;
  std::optional<jet::DatabaseWriter> writer_;
};

}  // namespace

std::unique_ptr<EngineSession> OpenJetSession(const ConnectionAttributes& attributes) {
  return std::make_unique<JetSession>(attributes.Find({"Data Source"}).value_or(std::string()),
                                      attributes.Find({"Jet OLEDB:Database Password"}).value_or(std::string()));
}

}  // namespace dataaccess
