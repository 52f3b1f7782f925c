// Small helpers shared by the index tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace jetindex_test {

inline std::vector<std::uint8_t> Hex(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  std::istringstream in(text);
  std::string word;
  while (in >> word) bytes.push_back(std::uint8_t(std::stoul(word, nullptr, 16)));
  return bytes;
}

inline std::string ToHex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char buf[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", b);
    text += buf;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

}  // namespace jetindex_test
