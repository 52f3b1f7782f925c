#include "jet/connection.h"

#include <array>

#include "jet/error.h"

namespace jet {

std::shared_ptr<Connection> OpenConnection(const std::string& path, const std::string& password) {
  auto file = std::make_unique<File>(path);
  std::array<std::uint8_t, kPageSize> page0{};
  std::size_t got = file->ReadAt(0, page0);
  if (got == 0) throw Error(kOpenFailed, "Unrecognized database format '" + path + "' (the file is empty).");
  Header header = ParseHeader(std::span(page0.data(), got), path);
  CheckPassword(header, password);
  return std::make_shared<Connection>(std::move(file), header);
}

}  // namespace jet
