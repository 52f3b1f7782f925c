// Splitting a connection string into its attributes.
#include "dataaccess/connection_string.h"

#include <cctype>
#include <optional>

namespace dataaccess {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Reads a braced value starting at text[pos] == '{'; leaves pos after the
// closing brace (or at the end when there is none).
std::string ReadBracedValue(std::string_view text, std::size_t& pos) {
  std::string value;
  ++pos;
  while (pos < text.size()) {
    char c = text[pos];
    if (c == '}') {
      if (pos + 1 < text.size() && text[pos + 1] == '}') {
        value += '}';
        pos += 2;
        continue;
      }
      ++pos;
      return value;
    }
    value += c;
    ++pos;
  }
  return value;
}

// Reads a value quoted with `quote` starting at text[pos] == quote, a doubled
// quote standing for one; leaves pos after the closing quote.
std::string ReadQuotedValue(std::string_view text, std::size_t& pos, char quote) {
  std::string value;
  ++pos;
  while (pos < text.size()) {
    char c = text[pos];
    if (c == quote) {
      if (pos + 1 < text.size() && text[pos + 1] == quote) {
        value += quote;
        pos += 2;
        continue;
      }
      ++pos;
      return value;
    }
    value += c;
    ++pos;
  }
  return value;
}

// Both syntaxes share everything but how a value may be enclosed.
template <typename ReadEnclosed>
std::vector<std::pair<std::string, std::string>> SplitAttributes(std::string_view text,
                                                                  ReadEnclosed readEnclosed) {
  std::vector<std::pair<std::string, std::string>> attributes;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t equals = text.find('=', pos);
    std::size_t semicolon = text.find(';', pos);
    if (equals == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < equals)) {
      // No "=" in this piece: nothing to keep.
      if (semicolon == std::string_view::npos) break;
      pos = semicolon + 1;
      continue;
    }
    std::string key(TrimBlanks(text.substr(pos, equals - pos)));
    pos = equals + 1;
    std::string value;
    if (std::optional<std::string> enclosed = readEnclosed(text, pos)) {
      value = std::move(*enclosed);
      // Whatever stands between the closing mark and the next ";" is not
      // part of the value.
      std::size_t end = text.find(';', pos);
      pos = end == std::string_view::npos ? text.size() : end + 1;
    } else {
      std::size_t end = text.find(';', pos);
      if (end == std::string_view::npos) end = text.size();
      value = std::string(text.substr(pos, end - pos));
      pos = end + 1;
    }
    if (!key.empty()) attributes.emplace_back(std::move(key), std::move(value));
  }
  return attributes;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

ConnectionAttributes ConnectionAttributes::Parse(std::string_view text) {
  ConnectionAttributes result;
  result.attributes_ = SplitAttributes(text, [](std::string_view t, std::size_t& pos) -> std::optional<std::string> {
    if (pos < t.size() && t[pos] == '{') return ReadBracedValue(t, pos);
    return std::nullopt;
  });
  return result;
}

ConnectionAttributes ConnectionAttributes::ParseOleDb(std::string_view text) {
  ConnectionAttributes result;
  result.attributes_ = SplitAttributes(text, [](std::string_view t, std::size_t& pos) -> std::optional<std::string> {
    if (pos < t.size() && (t[pos] == '"' || t[pos] == '\'')) return ReadQuotedValue(t, pos, t[pos]);
    return std::nullopt;
  });
  return result;
}

std::string ConnectionAttributes::FirstKey(std::string_view text) {
  // Both syntaxes read keys alike, so either parse finds the same first key.
  ConnectionAttributes attributes = ParseOleDb(text);
  return attributes.attributes_.empty() ? std::string() : attributes.attributes_.front().first;
}

std::optional<std::string> ConnectionAttributes::Find(
    std::initializer_list<std::string_view> keys) const {
  for (const auto& [key, value] : attributes_) {
    for (std::string_view wanted : keys) {
      if (EqualsIgnoringCase(key, wanted)) return value;
    }
  }
  return std::nullopt;
}

}  // namespace dataaccess
