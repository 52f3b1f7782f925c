#include "cli/arguments.h"

#include <charconv>
#include <map>

namespace cli {
namespace {

const std::map<std::string, Command> kCommands = {
    {"list", Command::kList},     {"send", Command::kSend},   {"delete", Command::kDelete},
    {"rename", Command::kRename}, {"new", Command::kNew},     {"check", Command::kCheck},
    {"history", Command::kHistory}, {"help", Command::kHelp},
};

[[noreturn]] void Usage(const std::string& message) { throw UsageError{message}; }

Side ParseSide(const std::string& option, const std::string& value) {
  if (value == "mysql") return Side::kMySql;
  if (value == "access") return Side::kAccess;
  Usage(option + " takes mysql or access, not '" + value + "'");
}

// Options that take a value, and where it goes.
std::optional<std::string>* ValueSlot(Arguments& a, const std::string& option) {
  if (option == "--server") return &a.server;
  if (option == "--user") return &a.user;
  if (option == "--database") return &a.database;
  if (option == "--mdb") return &a.mdb;
  if (option == "--mysql-password-file") return &a.mySqlPasswordFile;
  if (option == "--access-password-file") return &a.accessPasswordFile;
  return nullptr;
}

bool IsPasswordOption(const std::string& option) {
  return option == "--password" || option == "-p" || option == "--mysql-password" || option == "--access-password" ||
         option.rfind("--password=", 0) == 0 || option.rfind("--mysql-password=", 0) == 0 ||
         option.rfind("--access-password=", 0) == 0;
}

// What each command takes besides the connection options.
void Check(const Arguments& a) {
  auto names = a.names.size();
  switch (a.command) {
    case Command::kSend:
      if (a.side == Side::kNone) Usage("send needs --to mysql or --to access");
      if (a.all && names) Usage("send takes table names or --all, not both");
      if (!a.all && !names) Usage("send needs the tables to send, or --all");
      break;
    case Command::kDelete:
      if (a.side == Side::kNone) Usage("delete needs --side mysql or --side access");
      if (!names) Usage("delete needs the tables to delete");
      break;
    case Command::kRename:
      if (a.side == Side::kNone) Usage("rename needs --side mysql or --side access");
      if (names != 2) Usage("rename needs the old name and the new name");
      if (a.names[1].empty()) Usage("the new name is empty");
      break;
    case Command::kNew:
    case Command::kCheck:
      if (names != 1) Usage(std::string(a.command == Command::kNew ? "new" : "check") + " needs one Access file");
      break;
    case Command::kList:
    case Command::kHistory:
      if (names) Usage("unexpected '" + a.names.front() + "'");
      break;
    default: break;
  }
  bool sideAllowed = a.command == Command::kSend || a.command == Command::kDelete || a.command == Command::kRename ||
                     a.command == Command::kList;
  if (a.side != Side::kNone && !sideAllowed) Usage("--to and --side belong to list, send, delete and rename");
  if ((a.all || a.overwrite || a.keepColumnTypes) && a.command != Command::kSend)
    Usage("--all, --overwrite, --keep-column-types and --char-columns belong to send");
  if (a.last && a.command != Command::kHistory) Usage("--last belongs to history");
}

}  // namespace

bool WantsCommandLine(const std::vector<std::string>& words) {
  if (words.empty()) return false;
  const std::string& first = words.front();
  // Qt's own options (-platform, -style ...) are for the windows.
  return first.empty() || first[0] != '-' || first.rfind("--", 0) == 0 || first == "-h";
}

Arguments ParseArguments(const std::vector<std::string>& words) {
  Arguments a;
  if (words.empty()) return a;
  std::size_t i = 0;
  if (words[0] == "--help" || words[0] == "-h") {
    a.command = Command::kHelp;
    return a;
  }
  if (words[0] == "--version") {
    a.command = Command::kVersion;
    return a;
  }
  auto found = kCommands.find(words[0]);
  if (found == kCommands.end())
    Usage(!words[0].empty() && words[0][0] == '-' ? "the command comes first, then its options: tabloria COMMAND [OPTIONS]"
                             : "'" + words[0] + "' is not a command");
  a.command = found->second;
  ++i;
  bool sideGiven = false;
  for (; i < words.size(); ++i) {
    std::string word = words[i];
    std::optional<std::string> inlineValue;
    if (word.rfind("--", 0) == 0 && word.find('=') != std::string::npos) {
      inlineValue = word.substr(word.find('=') + 1);
      word = word.substr(0, word.find('='));
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= words.size()) Usage(word + " needs a value");
      return words[++i];
    };
    if (IsPasswordOption(words[i]))
      Usage("passwords are not taken on the command line, where others can read them; use "
            "TABLORIA_MYSQL_PASSWORD or TABLORIA_ACCESS_PASSWORD, --mysql-password-file or "
            "--access-password-file, or --ask-password");
    if (word == "--to" || word == "--side") {
      if (sideGiven) Usage("--to or --side given twice");
      a.side = ParseSide(word, value());
      sideGiven = true;
    } else if (word == "--all") {
      a.all = true;
    } else if (word == "--overwrite") {
      a.overwrite = true;
    } else if (word == "--keep-column-types" || word == "--char-columns") {
      if (a.keepColumnTypes) Usage("--keep-column-types or --char-columns given twice");
      a.keepColumnTypes = word == "--keep-column-types";
    } else if (word == "--json") {
      a.json = true;
    } else if (word == "--ask-password") {
      a.askPassword = true;
    } else if (word == "--help" || word == "-h") {
      a.command = Command::kHelp;
      return a;
    } else if (word == "--last") {
      std::string text = value();
      int n = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (error != std::errc() || end != text.data() + text.size() || n < 1)
        Usage("--last takes a number of entries, not '" + text + "'");
      a.last = n;
    } else if (auto* slot = ValueSlot(a, word)) {
      *slot = value();
    } else if (word == "--") {
      a.names.insert(a.names.end(), words.begin() + static_cast<std::ptrdiff_t>(i) + 1, words.end());
      break;
    } else if (word.size() > 1 && word[0] == '-') {
      Usage("unknown option " + word);
    } else {
      a.names.push_back(words[i]);
    }
  }
  Check(a);
  return a;
}

const char* const kHelpText = R"(Usage: tabloria                      start the windows
       tabloria COMMAND [OPTIONS]   work from a terminal or a script

Commands:
  list                                 the tables of both sides (--side: of one)
  send --to mysql|access TABLE...      send tables to that side, created afresh
  send --to mysql|access --all         send every table of the other side
  delete --side mysql|access TABLE...  delete tables
  rename --side mysql|access OLD NEW   rename a table
  new FILE.mdb                         create an empty Access database: Access
                                       2000-2003 format, or 2016 for FILE.accdb
  check FILE.mdb                       check an Access database's structure
  history                              what was done, oldest first (--last N)

Options:
  --overwrite                 replace a table the target side has already;
                              without it an existing table is an error
  --keep-column-types         send: each column with the type that holds its
                              values, keys and indexes carried over
  --char-columns              send: every column as text, char(n) or long text
                              (without either, the saved choice; first: this)
  --json                      one JSON document on standard output
  --server HOST, --user NAME, --database NAME, --mdb FILE
                              instead of the saved connection values
  --mysql-password-file FILE, --access-password-file FILE
                              a password from the file's first line
  --ask-password              ask for the MySQL password on the terminal
  --help, --version

Environment:
  TABLORIA_SERVER, TABLORIA_USER, TABLORIA_DATABASE, TABLORIA_MDB
                              instead of the saved values (options win)
  TABLORIA_MYSQL_PASSWORD, TABLORIA_ACCESS_PASSWORD
                              the passwords, which the command line never takes

Exit status: 0 everything succeeded, 1 a command failed, 2 usage error,
3 cannot connect to MySQL or open the Access file, 4 partial transfer (rows
refused or stopped), 130 interrupted.
)";

}  // namespace cli
