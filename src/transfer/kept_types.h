// "Keep column types": a transfer that declares each column with the type
// holding its values, carries the keys over and sends every value as a typed
// literal, instead of char(n) columns of value texts.
//
// Access to MySQL, from the Jet table definition:
//   Yes/No BOOLEAN NOT NULL (Jet keeps no Null there), Byte TINYINT UNSIGNED,
//   Integer SMALLINT, Long INT (AutoNumber: INT NOT NULL AUTO_INCREMENT),
//   Currency DECIMAL(19,4), Single FLOAT, Double DOUBLE, Date/Time
//   DATETIME(3) (Access keeps milliseconds), Text(n) VARCHAR(n) (LONGTEXT
//   where the table would pass MySQL's row limit), Memo
//   LONGTEXT, Binary(n) VARBINARY(n), OLE Object LONGBLOB, Replication ID
//   CHAR(38), Decimal(p,s) DECIMAL(p,s); the primary key, unique and other
//   indexes as PRIMARY KEY, UNIQUE KEY and KEY (relationships left out).
// MySQL to Access, from information_schema.COLUMNS and SHOW INDEX:
//   BOOLEAN (tinyint(1)) and BIT(1) NOT NULL Yes/No; other TINYINT Integer,
//   TINYINT UNSIGNED Byte; SMALLINT Integer; SMALLINT UNSIGNED, MEDIUMINT,
//   INT Long (AUTO_INCREMENT: AutoNumber); INT UNSIGNED Decimal(10,0); BIGINT
//   Decimal(19,0), BIGINT UNSIGNED Decimal(20,0); BIT(n) Decimal(20,0);
//   FLOAT Single; DOUBLE Double; DECIMAL(19,4) Currency, DECIMAL(p,s) up to
//   28 digits Decimal(p,s), wider ones Text; DATE, DATETIME, TIMESTAMP, TIME
//   Date/Time (a value Jet cannot hold, such as a year before 100, a
//   fraction finer than a millisecond or a TIME past 24 hours, is refused
//   with its row); YEAR Integer; CHAR, VARCHAR, ENUM, SET up to 255
//   characters and TINYTEXT Text(n), longer ones and TEXT, JSON Memo;
//   BINARY, VARBINARY up to 255 bytes and TINYBLOB Binary(n), longer ones,
//   BLOB and GEOMETRY OLE Object; UUID Replication ID; anything else Memo
//   (its text). The primary key becomes the PRIMARY KEY named PrimaryKey,
//   every other key a unique or plain Jet index of its name (the characters
//   Jet refuses in a name as '_'), each in its column order with its
//   descending parts. Left behind: keys over a Memo or OLE column (a
//   prefix over a long text among them), expression keys, keys of more than
//   10 parts and those past Jet's 32 indexes a table, none of which Jet can
//   hold.
// Texts keep '' apart from NULL and are never padded.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/value.h"

namespace msaccess {
struct AccessColumnDesign;
struct AccessIndexDesign;
}  // namespace msaccess

namespace dataaccess {
class Connection;
}

namespace transfer {

// ---- Access to MySQL ------------------------------------------------------

// CREATE TABLE `t`(`a` INT NOT NULL AUTO_INCREMENT,...,PRIMARY KEY(`a`),...);
// in a database of `bytesPerChar` bytes a character. Only a table too wide
// for MySQL's row limit gets LONGTEXT for its widest Text columns. InnoDB's
// limit on a record within its page is left to the rows themselves (the
// session turns innodb_strict_mode off for the CREATE): Access rows are
// small, and one too large is refused with the server's reason.
std::string MySqlKeptCreateTable(std::string_view table, std::vector<msaccess::AccessColumnDesign> columns,
                                 const std::vector<msaccess::AccessIndexDesign>& indexes, std::size_t bytesPerChar);

// The MySQL literal of an Access value: NULL, 1/0, numbers in plain decimal,
// 'yyyy-mm-dd hh:mm:ss.fff', quoted texts ('' stays ''), X'hex'.
std::string MySqlLiteral(const dataaccess::Value& value);

// INSERT INTO `t` VALUES(literal, ...); the literals as given.
std::string MySqlInsertLiterals(std::string_view table, const std::vector<std::string>& literals);

// ---- MySQL to Access ------------------------------------------------------

// How the values of an Access column kept from MySQL are written.
enum class AccessLiteralForm {
  kQuoted,   // a quoted text, which Jet reads as the column's type
  kBinary,   // 0x and hex digits, as the MySQL reader gives bytes
  kBoolean,  // 1 TRUE, 0 FALSE; anything else is refused by the column
};

struct KeptAccessColumn {
  std::string name;
  std::string mySqlType;  // the MySQL DATA_TYPE it comes from
  std::string type;  // as CREATE TABLE takes it: LONG, TEXT(20), DECIMAL(10,0), ...
  AccessLiteralForm form = AccessLiteralForm::kQuoted;
  bool notNull = false;
  bool indexable = true;  // not Memo or OLE Object
};

struct KeptAccessIndex {
  std::string name;
  std::vector<std::pair<std::string, bool>> columns;  // name, ascending
  bool primaryKey = false;
  bool unique = false;
};

struct KeptAccessTable {
  std::vector<KeptAccessColumn> columns;  // in the MySQL table's order
  std::vector<KeptAccessIndex> indexes;   // the keys Jet can hold: primary, unique, others
};

// Reads the MySQL table's columns and keys and chooses the Access types.
// Throws DbError.
KeptAccessTable PlanKeptAccessTable(dataaccess::Connection& mySql, const std::string& table);

// CREATE TABLE `t`(`a` LONG NOT NULL,...,CONSTRAINT `PrimaryKey` PRIMARY KEY(`a`));
// then CREATE [UNIQUE] INDEX `k` ON `t`(`a`,`b` DESC); for each other key.
std::vector<std::string> AccessKeptCreateStatements(std::string_view table, const KeptAccessTable& plan);

// INSERT INTO `t` VALUES(...) with each cell written in its column's form;
// nullopt is NULL, '' stays ''.
std::string AccessKeptInsert(std::string_view table, const std::vector<KeptAccessColumn>& columns,
                             const std::vector<std::optional<std::string_view>>& cells);

// A MySQL value's comparable text (transfer/value_checksum.h) as the Access
// column gives it back: a YEAR as its number, a UUID as a Replication ID.
std::string KeptComparableText(const KeptAccessColumn& column, std::string comparable);

}  // namespace transfer
