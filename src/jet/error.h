// The engine's one failure type: a 32-bit number, as Jet reports it through
// OLE DB, a description that says what was wrong, and, where Jet has one, Jet's
// own error number (3022 for a duplicate key...), which OLE DB reports apart.
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
// A row Jet's constraints refuse (duplicate key, Null where a value is
// required): Jet reports these as its general failure, like a file it cannot open.
inline constexpr std::int32_t kConstraintViolated = kOpenFailed;
// A literal of the wrong kind for its column (DB_E_CANTCONVERTVALUE).
inline constexpr std::int32_t kTypeMismatch = -2147217913;  // 0x80040E07
// A literal too large or too long for its column (DB_E_DATAOVERFLOW).
inline constexpr std::int32_t kDataOverflow = -2147217833;  // 0x80040E57
// No page is left within the format's 2 GiB: Jet reports it through OLE DB as
// its general failure, told apart by Jet's own number. No statement that needs
// a new page can succeed after it.
inline constexpr std::int32_t kDatabaseFull = kOpenFailed;
inline constexpr int kDatabaseFullJetNumber = 3036;

class Error : public std::runtime_error {
 public:
  Error(std::int32_t number, const std::string& description, int jetNumber = 0)
      : std::runtime_error(description), number_(number), jetNumber_(jetNumber) {}
  std::int32_t Number() const { return number_; }
  std::string Description() const { return what(); }
  // Jet's own number for the error; 0 when Jet has none for it.
  int JetNumber() const { return jetNumber_; }

 private:
  std::int32_t number_;
  int jetNumber_;
};

// A structure read from the file breaks the format: the file is damaged.
[[noreturn]] void ThrowDamaged(const std::string& what);

// No page is left within the format's largest size (kDatabaseFull, Jet 3036).
[[noreturn]] void ThrowDatabaseFull();

// A statement named a table the catalogue does not hold (kObjectNotFound).
[[noreturn]] void ThrowNoSuchTable(const std::string& name);

}  // namespace jet
