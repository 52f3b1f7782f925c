// The connection values a command-line run works with: the saved ones, each
// replaced by its environment variable when set, then by its option when
// given; the passwords from their file, their variable or a prompt. Nothing
// of this is saved.
#pragma once

#include "cli/arguments.h"
#include "settings/connection_settings.h"

namespace cli {

// Throws SecretError when a password file cannot be read or a prompt was
// asked for without a terminal.
settings::ConnectionSettings ResolveSettings(const Arguments& arguments);

}  // namespace cli
