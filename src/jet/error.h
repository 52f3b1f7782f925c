// The engine's one failure type: a 32-bit number, as Jet reports it through
// OLE DB, and a description that says what was wrong.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace jet {

// The file could not be opened or read (missing, damaged, wrong password...).
inline constexpr std::int32_t kOpenFailed = -2147467259;  // 0x80004005
// A statement was rejected (syntax, a table that cannot be read).
inline constexpr std::int32_t kStatementFailed = -2147217900;  // 0x80040E14
// A statement named a table that does not exist.
inline constexpr std::int32_t kObjectNotFound = -2147217865;  // 0x80040E37

class Error : public std::runtime_error {
 public:
  Error(std::int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  std::int32_t Number() const { return number_; }
  std::string Description() const { return what(); }

 private:
  std::int32_t number_;
};

// A structure read from the file breaks the format: the file is damaged.
[[noreturn]] void ThrowDamaged(const std::string& what);

// A statement named a table the catalogue does not hold (kObjectNotFound).
[[noreturn]] void ThrowNoSuchTable(const std::string& name);

}  // namespace jet
