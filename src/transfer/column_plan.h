// How each column of a transferred table is declared in its target: char(w)
// with w the measured width, or a long text type (MySQL longtext, Access
// memo) when the target cannot hold the char column. Widths are in UTF-16
// code units, as Jet counts them.
//
// MySQL refuses a CREATE TABLE by two rules, both modelled here:
//  - the server's row limit: char columns count their full byte width
//    (bytes per character of the database's character set, 4 for utf8mb4),
//    a longtext 12 bytes (4 length + 8 pointer), plus one NULL bit per
//    column, all within 65,535 bytes;
//  - InnoDB's limit on a record kept inside its 16 KiB page (with the
//    default DYNAMIC row format and strict mode, MariaDB checks it at
//    CREATE): the largest record must stay below 8,126 bytes. A record
//    carries 5 header bytes, 19 bytes of hidden columns (row id, transaction
//    id, roll pointer: our tables have no key), the NULL bits, and per
//    column either its bytes and one length byte (a multi-byte char column
//    of at most 255 bytes), just its bytes (a single-byte char column, fixed
//    length), or 21 bytes (a longer column or a longtext, which InnoDB may
//    keep off the page behind a 20-byte reference).
// tests/transfer checks this model against the real server at its edges.
//
// Jet refuses a row larger than its row limit. A row holds two bytes per
// character of every fixed char column, and for memo columns a 12-byte
// reference that may carry up to 64 bytes of the text inline, 2 offset bytes
// each and 4 more bytes once there is any, plus a column count and the NULL
// bits. The plan reserves the largest inline memo so every row fits.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace transfer {

// Columns whose values have no text get this width.
inline constexpr std::size_t kDefaultWidth = 10;
// The widest char(n) either target accepts.
inline constexpr std::size_t kMaxCharWidth = 255;
// The most columns a Jet table may have.
inline constexpr std::size_t kMaxAccessColumns = 255;

enum class TextKind { kChar, kLong };

// MySQL's two limits for columns declared `kinds` with `widths` characters,
// in a database whose character set takes up to `bytesPerChar` bytes a
// character.
std::size_t MySqlRowBytes(const std::vector<std::size_t>& widths, const std::vector<TextKind>& kinds,
                          std::size_t bytesPerChar);
std::size_t InnoDbRecordBytes(const std::vector<std::size_t>& widths, const std::vector<TextKind>& kinds,
                              std::size_t bytesPerChar);
inline constexpr std::size_t kMySqlMaxRowBytes = 65535;
inline constexpr std::size_t kInnoDbMaxRecordBytes = 8125;  // "Row size too large (> 8126)"

// Columns wider than 255 become longtext; then, while a limit is exceeded,
// the widest remaining char column that costs the record more than a
// longtext would becomes longtext too. Always finds a plan.
std::vector<TextKind> PlanMySqlColumns(const std::vector<std::size_t>& widths, std::size_t bytesPerChar);

// Bytes of the largest row Jet can be asked to store in these columns.
std::size_t AccessRowBytes(const std::vector<std::size_t>& widths, const std::vector<TextKind>& kinds);

// Columns wider than 255 become memo; then, while the largest row exceeds
// Jet's limit, the widest char column becomes memo as long as that makes the
// row smaller. Nothing when the table has more than 255 columns or no plan
// fits (many narrow columns: a memo costs more than a narrow char).
std::optional<std::vector<TextKind>> PlanAccessColumns(const std::vector<std::size_t>& widths);

}  // namespace transfer
