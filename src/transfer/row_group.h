// Rows of a send to MySQL waiting to go to the server together: each row's
// own INSERT, and, when the group may be loaded in bulk, its line of the
// LOAD DATA text. The INSERT of all of them is made from the rows' own
// statements, which share the table's prefix.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/mysql_batch.h"

namespace transfer {

class RowGroup {
 public:
  // `prefixSize`: the length of MySqlInsertPrefix of the table. `load`: the
  // group's LOAD DATA statement (MySqlLoadData), or empty for INSERTs only.
  explicit RowGroup(std::size_t prefixSize, std::string load = {});

  bool Empty() const { return each_.empty(); }
  std::size_t Rows() const { return each_.size(); }
  // Whether rows bring a LOAD DATA line.
  bool Loads() const { return !load_.empty(); }
  // The length of the INSERT of all rows with `single`'s row added.
  std::size_t BytesWith(const std::string& single) const;
  // Adds a row: its INSERT, and its line when the group loads.
  void Add(std::string single, std::string_view line = {});
  // Sends the rows and empties the group; how many were handled.
  std::size_t SendThrough(MySqlBatch& batch, const std::function<bool()>& goOn);

 private:
  std::size_t prefixSize_;
  std::string load_;
  std::vector<std::string> each_;
  std::size_t combinedSize_ = 0;  // without its closing ';'
  std::string data_;
};

}  // namespace transfer
