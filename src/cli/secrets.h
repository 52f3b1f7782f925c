// Passwords for the command line, which never takes them as arguments (any
// user can read another's command line in /proc): from a file named by an
// option, from an environment variable, or typed at a prompt on the terminal
// without echo; otherwise the saved value stays.
#pragma once

#include <optional>
#include <string>

namespace cli {

// The first line of the file, without its line end. Throws SecretError.
std::string ReadPasswordFile(const std::string& path);

// Asks on the controlling terminal, echo off; nullopt when there is none.
std::optional<std::string> AskPassword(const std::string& prompt);

struct SecretError {
  std::string message;
};

}  // namespace cli
