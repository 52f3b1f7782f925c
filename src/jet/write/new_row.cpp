#include "jet/write/new_row.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/names.h"
#include "jet/write/typed_literal.h"

namespace jet {
namespace {

constexpr int kUnknownFieldJet = 3127;
constexpr int kRequiredJet = 3314;
constexpr int kZeroLengthJet = 3315;

[[noreturn]] void Refuse(const std::string& why, int jetNumber = 0) { throw Error(kStatementFailed, why, jetNumber); }

bool IsEmptyText(const Value& v) {
  if (const Text* t = std::get_if<Text>(&v)) return t->text.empty();
  if (const Memo* m = std::get_if<Memo>(&v)) return m->text.empty();
  return false;
}

}  // namespace

NewRow::NewRow(const TableDef& def, const std::vector<NamedColumnRules>& rules)
    : def_(def), rules_(def.columns.size()), given_(def.columns.size()) {
  for (std::size_t i = 0; i < def.columns.size(); ++i)
    for (const NamedColumnRules& r : rules)
      if (SameName(r.column, def.columns[i].name)) rules_[i] = r.rules;
  // Values without a column list go in column-number order, the order of CREATE TABLE.
  byNumber_.resize(def.columns.size());
  for (std::size_t i = 0; i < byNumber_.size(); ++i) byNumber_[i] = i;
  std::sort(byNumber_.begin(), byNumber_.end(),
            [&](std::size_t a, std::size_t b) { return def.columns[a].number < def.columns[b].number; });
}

void NewRow::Choose(const sql::InsertValues& insert) {
  if (insert.columns.empty()) {
    targets_ = byNumber_;
  } else {
    targets_.clear();
    std::fill(given_.begin(), given_.end(), false);
    for (const std::string& name : insert.columns) {
      auto it = std::find_if(def_.columns.begin(), def_.columns.end(),
                             [&](const Column& c) { return SameName(c.name, name); });
      if (it == def_.columns.end())
        Refuse("The INSERT INTO statement contains the following unknown field name: '" + name +
                   "'.  Make sure you have typed the name correctly, and try the operation again.",
               kUnknownFieldJet);
      const std::size_t column = std::size_t(it - def_.columns.begin());
      if (given_[column]) Refuse("Duplicate output destination '" + name + "'.");
      given_[column] = true;
      targets_.push_back(column);
    }
  }
  if (insert.values.size() != targets_.size())
    Refuse("Number of query values and destination fields are not the same.");
  std::fill(given_.begin(), given_.end(), false);
  for (std::size_t column : targets_) given_[column] = true;
}

Value NewRow::Omitted(std::size_t i, std::int32_t& autoNumber) const {
  const Column& c = def_.columns[i];
  if (c.IsAutoNumber() && c.Type() == ColumnType::Long) {
    if (autoNumber == std::numeric_limits<std::int32_t>::max())
      Refuse("The field '" + c.name + "' has given out every AutoNumber; no new row can be numbered.");
    return ++autoNumber;
  }
  if ((c.flags & kColumnAutoGuid) && c.Type() == ColumnType::Guid) return DefaultValue(c, "GenGUID()");
  if (rules_[i].defaultValue) return DefaultValue(c, *rules_[i].defaultValue);
  return Null{};
}

void NewRow::Check(const std::vector<Value>& values) const {
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string& name = def_.columns[i].name;
    if (IsNull(values[i]) && rules_[i].required)
      throw Error(kConstraintViolated,
                  "The field '" + name +
                      "' cannot contain a Null value because the Required property for this field is set to True.  "
                      "Enter a value in this field.",
                  kRequiredJet);
    if (IsEmptyText(values[i]) && !rules_[i].allowZeroLength)
      throw Error(kConstraintViolated, "Field '" + name + "' cannot be a zero-length string.", kZeroLengthJet);
  }
}

void NewRow::Build(Pager& pager, const sql::InsertValues& insert, std::vector<Value>& values) {
  Choose(insert);
  values.resize(def_.columns.size());
  const std::uint32_t stored = U32(ByteSpan(*pager.Read(def_.page)), pager.Format().tdefAutoNumberAt);
  std::int32_t autoNumber = static_cast<std::int32_t>(stored);
  for (std::size_t k = 0; k < targets_.size(); ++k) {
    const std::size_t i = targets_[k];
    values[i] = TypedValue(def_.columns[i], insert.values[k]);
    const Column& c = def_.columns[i];
    if (c.IsAutoNumber() && c.Type() == ColumnType::Long) {
      if (IsNull(values[i])) values[i] = Omitted(i, autoNumber);
      autoNumber = std::max(autoNumber, std::get<std::int32_t>(values[i]));
    }
  }
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!given_[i]) values[i] = Omitted(i, autoNumber);
  Check(values);
  if (static_cast<std::uint32_t>(autoNumber) != stored)
    PutU32(pager.Write(def_.page) + pager.Format().tdefAutoNumberAt, static_cast<std::uint32_t>(autoNumber));
}

}  // namespace jet
