// Reading a MySQL table into memory for the transfer to Access: "describe "
// gives the column names, then one SELECT lists them all in that order, so
// every row's values stay together, and the rows are kept as text in the
// order the server sends them, widths measured as they arrive.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "transfer/table_text.h"

namespace dataaccess {
class Connection;
}

namespace transfer {

// The column names of `table`, in the server's order. Throws DbError.
std::vector<std::string> DescribeMySqlTable(dataaccess::Connection& connection, const std::string& table);

// Every row of `table`: NULL stays NULL, every other value becomes its
// CellText (BLOBs as 0x and hexadecimal digits). The rows are streamed from
// the server, not held twice. `onRow` hears the count of rows read so far
// and stops the read by answering false. Throws DbError.
TableText ReadMySqlRows(dataaccess::Connection& connection, const std::string& table,
                        std::vector<std::string> columns,
                        const std::function<bool(std::size_t rowsRead)>& onRow = {});

// The most bytes a character takes in the connected database's default
// character set, which new tables take: 4 for utf8mb4, 1 for latin1. 4 when
// the server does not say.
std::size_t DatabaseBytesPerChar(dataaccess::Connection& connection);

// The server's max_allowed_packet: the longest statement it takes before it
// drops the connection. Throws DbError.
std::size_t MaxAllowedPacket(dataaccess::Connection& connection);

}  // namespace transfer
