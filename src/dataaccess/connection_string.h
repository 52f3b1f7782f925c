// Reading a connection string into its attributes, keys case-insensitive.
// ODBC-style strings ("KEY=value;KEY={va;lue};...") are read the way a
// driver manager does: values verbatim up to the next ";", or enclosed in
// braces with "}}" standing for one "}". OLE DB-style strings
// ("Provider=...;Data Source=\"a;b.mdb\"") the way OLE DB does: values
// verbatim up to the next ";", or enclosed in double (or single) quotes with
// the quote doubled inside.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dataaccess {

class ConnectionAttributes {
 public:
  // Never fails: a piece without "=" is ignored, and an opening brace that is
  // never closed takes the rest of the string as its value.
  static ConnectionAttributes Parse(std::string_view text);
  // The same for an OLE DB string: an unclosed quote takes the rest.
  static ConnectionAttributes ParseOleDb(std::string_view text);

  // The key of the first attribute, which tells the two syntaxes apart
  // (DRIVER leads an ODBC string).
  static std::string FirstKey(std::string_view text);

  // The value of the first attribute whose key equals one of `keys`
  // (ignoring case), so aliases such as USER and UID can be asked together.
  std::optional<std::string> Find(std::initializer_list<std::string_view> keys) const;

  const std::vector<std::pair<std::string, std::string>>& All() const { return attributes_; }

 private:
  std::vector<std::pair<std::string, std::string>> attributes_;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace dataaccess
