// Reading index keys back, for the consistency check. This code shares nothing with the
// key writer but the character code table: it takes stored key bytes apart into values
// (numbers, bytes) and text sections, and separately models what those parts must be for
// a row's values, so that a mistake in the writer shows up as a difference here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "index_key.h"

namespace jet::index {

// A text key taken apart: the inline codes, the accent section, the case flags (2 or 3
// each, trailing 3s absent) and the unprintable entries (slot number, character code).
struct DecodedText {
  KeyBytes inlineCodes;
  KeyBytes accents;
  std::vector<std::uint8_t> caseFlags;
  bool hasCaseSection = false;
  std::vector<std::pair<int, std::uint8_t>> unprintables;
  bool operator==(const DecodedText&) const = default;
};

using DecodedValue =
    std::variant<KeyNull, bool, std::int64_t, double, std::vector<std::uint8_t>, DecodedText, KeyDecimal>;

// Takes a stored key apart column by column. Throws jet::Error (kIndexDamaged) when the
// bytes do not follow the key layout for `columns`.
std::vector<DecodedValue> DecodeIndexKey(const std::vector<KeyColumn>& columns, const KeyBytes& key);

// What the decoded key of a row with `values` must be.
std::vector<DecodedValue> ExpectedDecodedKey(const std::vector<KeyColumn>& columns,
                                             const std::vector<KeyValue>& values);

// Empty when `key` is the key of a row with `values`, else what differs.
std::optional<std::string> CompareKeyWithRow(const std::vector<KeyColumn>& columns, const KeyBytes& key,
                                             const std::vector<KeyValue>& values);

}  // namespace jet::index
