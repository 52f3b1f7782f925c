// Form1, "Setup Connections": the start-up window, where the user types the
// six connection values, picks the Access file and tests the MySQL values.
// Its boxes edit the one ConnectionSettings of the run, each change written
// to the store at once. It stays alive (shown or hidden) for the whole run.
#pragma once

#include "app/mouse_pointer.h"
#include "settings/connection_settings.h"

#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;

namespace app {
class CommandButton;
class Prompter;
}  // namespace app

namespace settings {

class Form1 : public QWidget, public app::PointerHost {
  Q_OBJECT

 public:
  // Set by the program's wiring; an unset hook does nothing.
  struct Hooks {
    std::function<void()> testConnection;  // "Test Connection" (Check3)
    std::function<void()> showMainWindow;  // "OK", or start-up with complete settings
    std::function<void()> closed;          // closed through the title bar: end the run
  };

  static inline const QString kChooserTitle =
      QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
  static inline const QString kChooserFilter = QStringLiteral("Microsoft Database (*.mdb *.accdb)");

  Form1(ConnectionSettings& settings, app::Prompter& prompter, QWidget* parent = nullptr);

  // Start-up: centre, fill the boxes from the store, then show either the
  // main window (settings complete; this window stays hidden) or itself;
  // finally widen the outer frame to 6495 twips.
  void Load();

  void SetMousePointer(int shape) override;
  int MousePointer() const override { return pointer_; }

  Hooks hooks;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLineEdit* AddBox(QWidget* container, const char* name, const QString& label,
                    ConnectionSettings::Field field);
  void ChooseAccessFile();
  void GoToMainWindow();

  ConnectionSettings& settings_;
  app::Prompter& prompter_;
  int pointer_ = app::kDefaultPointer;

  QGroupBox* frame1_;
  QGroupBox* frame2_;
  QLineEdit* boxes_[ConnectionSettings::kFieldCount];
  app::CommandButton* check1_;
  app::CommandButton* check2_;
  app::CommandButton* check3_;
};

}  // namespace settings
