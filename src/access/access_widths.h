// Each column's longest value in a table of the Access file, found in one
// scan of its rows, as a send sizes the columns it declares. Texts and memos
// are measured on their stored form, in UTF-16 code units as Jet counts a
// Text(n) column, without being converted: the scan builds no text.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/value.h"

namespace settings {
class ConnectionSettings;
}

namespace msaccess {

// The length of a value other than a text or memo, in the caller's terms.
using ValueLength = std::function<std::size_t(const dataaccess::Value& value)>;
// Asked before each row with the rows measured and the table's count; false
// stops the scan.
using ScanProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// For each of `fields` (every field when empty), in order: its longest text
// or memo, or its longest value by `lengthOf` (Null counts 0). Nothing when
// `goOn` stopped the scan. Throws DbError.
std::optional<std::vector<std::size_t>> LongestAccessValues(const settings::ConnectionSettings& settings,
                                                           const QString& table, const std::vector<std::string>& fields,
                                                           const ValueLength& lengthOf, const ScanProgress& goOn);

}  // namespace msaccess
