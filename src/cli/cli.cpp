#include "cli/cli.h"

#include <iostream>

#include "cli/file_commands.h"
#include "cli/report.h"
#include "cli/secrets.h"
#include "cli/settings_overrides.h"
#include "cli/table_commands.h"
#include "cli/cli_seams.h"

namespace cli {

int Run(const std::vector<std::string>& words) {
  Arguments arguments;
  try {
    arguments = ParseArguments(words);
  } catch (const UsageError& e) {
    Complain(e.message);
    std::cerr << "Try 'tabloria --help'." << std::endl;
    return kExitUsage;
  }
  switch (arguments.command) {
    case Command::kHelp: std::cout << kHelpText; return kExitSucceeded;
    case Command::kVersion: std::cout << "tabloria " TABLORIA_VERSION << std::endl; return kExitSucceeded;
    case Command::kNew: return RunNew(arguments);
    case Command::kHistory: return RunHistory(arguments);
    default: break;
  }
  settings::ConnectionSettings settings;
  try {
    settings = ResolveSettings(arguments);
  } catch (const SecretError& e) {
    Complain(e.message);
    return kExitUsage;
  }
  switch (arguments.command) {
    case Command::kCheck: return RunCheck(arguments, settings);
    case Command::kList: return RunList(arguments, settings);
    default: break;
  }
  HearInterrupts();
  switch (arguments.command) {
    case Command::kSend: return RunSend(arguments, settings);
    case Command::kDelete: return RunDelete(arguments, settings);
    case Command::kRename: return RunRename(arguments, settings);
    default: return kExitUsage;
  }
}

}  // namespace cli
