// Reading a MySQL table for the transfer to Access: "describe " gives the
// column names, then one SELECT lists them all in that order and the rows
// are streamed from the server as text, one row at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>


namespace dataaccess {
class Connection;
class Recordset;
}

namespace transfer {

// The column names of `table`, in the server's order. Throws DbError.
std::vector<std::string> DescribeMySqlTable(dataaccess::Connection& connection, const std::string& table);

// The rows of `table`, one at a time, as the server sends them: NULL stays
// NULL, every other value becomes its CellText (BLOBs as 0x and hexadecimal
// digits). Nothing but the current row is held, however large the table.
// Nothing else may run on the connection while the stream is open.
class MySqlRowStream {
 public:
  // Sends one SELECT of `columns` in their order, so every row's values stay
  // together. Throws DbError.
  MySqlRowStream(dataaccess::Connection& connection, const std::string& table,
                 const std::vector<std::string>& columns);
  ~MySqlRowStream();

  // The next row's cells, views valid until the next call; false after the
  // last row. Throws DbError.
  bool Next(std::vector<std::optional<std::string_view>>& cells);
  // Ends the stream before its last row without reading the rest, which
  // cuts the connection off (see dataaccess::Recordset::Abandon).
  void Abandon();

 private:
  std::unique_ptr<dataaccess::Recordset> rows_;
  bool started_ = false;
  std::vector<std::string> converted_;  // the texts of values that are not text
};

// The most bytes a character takes in the connected database's default
// character set, which new tables take: 4 for utf8mb4, 1 for latin1. 4 when
// the server does not say.
std::size_t DatabaseBytesPerChar(dataaccess::Connection& connection);

// The server's max_allowed_packet: the longest statement it takes before it
// drops the connection. Throws DbError.
std::size_t MaxAllowedPacket(dataaccess::Connection& connection);

}  // namespace transfer
