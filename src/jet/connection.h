// What every object of one open database shares: the file, its header and
// its pager.
#pragma once

#include <memory>
#include <string>

#include "jet/file.h"
#include "jet/header.h"
#include "jet/pager.h"

namespace jet {

struct Connection {
  Connection(std::unique_ptr<File> f, const Header& h) : file(std::move(f)), header(h), pager(*file, header) {}
  std::unique_ptr<File> file;
  Header header;
  Pager pager;
};

// Opens the file at `path` and checks it is an Access database whose password
// is `password` (ignored when it has none). Throws jet::Error (kOpenFailed).
std::shared_ptr<Connection> OpenConnection(const std::string& path, const std::string& password);

}  // namespace jet
