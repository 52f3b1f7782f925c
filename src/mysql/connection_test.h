// "Test Connection" of the setup dialog: a connection of its own with the
// four MySQL values as they stand, in the probe key order, that says whether
// it worked and leaves nothing open. The shared connection is not touched.
#pragma once

namespace ui {
class PointerHost;
class Prompter;
}
namespace settings {
class ConnectionSettings;
}

namespace mysql {

// Hourglass while it tries; "Connection successful." shown with the
// hourglass still up, or "Could not connect. ..." for a refused connection,
// or any other failure with its number and description; then the arrow.
void TestMySqlConnection(const settings::ConnectionSettings& settings, ui::PointerHost& window,
                         ui::Prompter& prompter);

}  // namespace mysql
