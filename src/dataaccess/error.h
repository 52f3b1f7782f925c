// The one failure type of the data-access layer: a 32-bit number, the
// database's own description and its own error code, carried up to whoever
// reports it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace dataaccess {

// Numbers callers tell apart.
inline constexpr std::int32_t kConnectFailed = -2147467259;  // 0x80004005: could not connect or open
inline constexpr std::int32_t kCommandError = -2147217900;   // 0x80040E14: statement rejected
inline constexpr std::int32_t kClientFailure = -2147418113;  // 0x8000FFFF: connection lost, client fault
inline constexpr std::int32_t kTypeMismatch = -2147217913;   // 0x80040E07: a value of the wrong kind
inline constexpr std::int32_t kValueOverflow = -2147217833;  // 0x80040E57: a value too long or too large

// Whether a failed statement was refused for what it said (its syntax or its
// values), so that the statements after it can still run.
inline bool IsStatementRefusal(std::int32_t number) {
  return number == kCommandError || number == kTypeMismatch || number == kValueOverflow;
}

class DbError : public std::runtime_error {
 public:
  DbError(std::int32_t number, const std::string& description, unsigned nativeError = 0)
      : std::runtime_error(description), number_(number), nativeError_(nativeError) {}
  std::int32_t Number() const { return number_; }
  std::string Description() const { return what(); }
  // The database's own code (MySQL's 1213 for a deadlock, say); 0 when it gave none.
  unsigned NativeError() const { return nativeError_; }

 private:
  std::int32_t number_;
  unsigned nativeError_;
};

}  // namespace dataaccess
