#include "transfer/row_group.h"

namespace transfer {

RowGroup::RowGroup(std::size_t prefixSize, std::string load) : prefixSize_(prefixSize), load_(std::move(load)) {}

std::size_t RowGroup::BytesWith(const std::string& single) const {
  // The first row brings the prefix; each later one a ',' for its ';'.
  return combinedSize_ + single.size() - (each_.empty() ? 1 : prefixSize_);
}

void RowGroup::Add(std::string single, std::string_view line) {
  combinedSize_ = BytesWith(single);
  data_.append(line);
  each_.push_back(std::move(single));
}

std::size_t RowGroup::SendThrough(MySqlBatch& batch, const std::function<bool()>& goOn) {
  std::string combined;
  combined.reserve(combinedSize_ + 1);
  for (const std::string& single : each_) {
    if (combined.empty()) {
      combined.append(single, 0, single.size() - 1);
    } else {
      combined += ',';
      combined.append(single, prefixSize_, single.size() - prefixSize_ - 1);
    }
  }
  combined += ';';
  const std::size_t handled = Loads() ? batch.SendLoaded(load_, data_, combined, each_, goOn)
                                      : batch.SendTogether(combined, each_, goOn);
  each_.clear();
  data_.clear();
  combinedSize_ = 0;
  return handled;
}

}  // namespace transfer
