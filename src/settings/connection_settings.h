// The six live connection values. The setup dialog's boxes edit this one
// object, every edit is written to the store at once, and every command reads
// the values from here when it starts, so an edit counts from the next command.
#pragma once

#include <QString>
#include <array>

namespace settings {

class ConnectionSettings {
 public:
  // In load order; the names are the store keys.
  enum class Field { Server, User, Password, Database, AccessMDBFile, AccessPassword };
  static constexpr int kFieldCount = 6;

  static QString Key(Field field);

  // Reads the six values from the store, Server first, AccessPassword last,
  // then "Keep column types".
  void Load();

  QString Get(Field field) const { return values_[Index(field)]; }
  // Keeps `text` exactly as given and writes it to the store at once.
  void Set(Field field, const QString& text);
  // Uses `text` for this run only; the store keeps what it holds (the
  // command line's overrides).
  void Override(Field field, const QString& text) { values_[Index(field)] = text; }

  QString Server() const { return Get(Field::Server); }
  QString User() const { return Get(Field::User); }
  QString Password() const { return Get(Field::Password); }
  QString Database() const { return Get(Field::Database); }
  QString AccessMDBFile() const { return Get(Field::AccessMDBFile); }
  QString AccessPassword() const { return Get(Field::AccessPassword); }

  void SetServer(const QString& text) { Set(Field::Server, text); }
  void SetUser(const QString& text) { Set(Field::User, text); }
  void SetPassword(const QString& text) { Set(Field::Password, text); }
  void SetDatabase(const QString& text) { Set(Field::Database, text); }
  void SetAccessMDBFile(const QString& text) { Set(Field::AccessMDBFile, text); }
  void SetAccessPassword(const QString& text) { Set(Field::AccessPassword, text); }

  // "Keep column types": transfers declare each column with the type that
  // holds its values instead of char(n), and carry the keys over. Stored as
  // "1" or "0" under kKeepColumnTypesKey; off unless stored as "1".
  static inline const QString kKeepColumnTypesKey = QStringLiteral("KeepColumnTypes");
  bool KeepColumnTypes() const { return keepColumnTypes_; }
  void SetKeepColumnTypes(bool keep);
  void OverrideKeepColumnTypes(bool keep) { keepColumnTypes_ = keep; }

  // Server, User, Password, Database and AccessMDBFile all non-empty (blanks
  // count as filled); the Access password plays no part.
  bool IsComplete() const;

 private:
  static int Index(Field field) { return static_cast<int>(field); }

  std::array<QString, kFieldCount> values_;
  bool keepColumnTypes_ = false;
};

}  // namespace settings
