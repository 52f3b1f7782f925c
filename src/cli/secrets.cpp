#include "cli/secrets.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace cli {

std::string ReadPasswordFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw SecretError{"cannot read the password file '" + path + "': " + std::strerror(errno)};
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::optional<std::string> AskPassword(const std::string& prompt) {
  int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return std::nullopt;
  termios saved{};
  bool echoOff = ::tcgetattr(tty, &saved) == 0;
  if (echoOff) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    echoOff = ::tcsetattr(tty, TCSAFLUSH, &quiet) == 0;
  }
  (void)!::write(tty, prompt.data(), prompt.size());
  std::string answer;
  char c;
  while (::read(tty, &c, 1) == 1 && c != '\n') answer += c;
  if (echoOff) ::tcsetattr(tty, TCSAFLUSH, &saved);
  ::close(tty);
  return answer;
}

}  // namespace cli
