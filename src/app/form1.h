// Form1, "Setup Connections": the start-up window, where the user types the
// six connection values, picks the Access file, tests the MySQL values and
// chooses whether transfers keep column types.
// Its boxes edit the one ConnectionSettings of the run, each change written
// to the store at once. It stays alive (shown or hidden) for the whole run.
#pragma once

#include "ui/mouse_pointer.h"
#include "settings/connection_settings.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace ui {
class CommandButton;
class Prompter;
}  // namespace ui

namespace app {

class Form1 : public QWidget, public ui::PointerHost {
  Q_OBJECT

 public:
  // Set by the program's wiring; an unset hook does nothing.
  struct Hooks {
    std::function<void()> testConnection;  // "Test Connection" (Check3)
    // After the question "Create a new Access database FILE?" was answered Yes.
    std::function<void(const QString& path)> createAccessDatabase;
    std::function<void()> showMainWindow;  // "OK", or start-up with complete settings
    std::function<void()> closed;          // closed through the title bar: end the run
  };

  static inline const QString kChooserTitle =
      QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
  static inline const QString kChooserFilter = QStringLiteral("Microsoft Database (*.mdb *.accdb)");

  Form1(settings::ConnectionSettings& settings, ui::Prompter& prompter, QWidget* parent = nullptr);

  // Start-up: centre, fill the boxes from the store, then show either the
  // main window (settings complete; this window stays hidden) or itself;
  // finally widen the outer frame to 6495 twips.
  void Load();

  // While the connection test runs, its button says so and takes no press.
  void ShowTesting(bool testing);

  void SetMousePointer(int shape) override;
  int MousePointer() const override { return pointer_; }

  Hooks hooks;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLineEdit* AddBox(QWidget* container, const char* name, const QString& label,
                    settings::ConnectionSettings::Field field);
  void ChooseAccessFile();
  void GoToMainWindow();
  void OfferNewAccessDatabase();

  settings::ConnectionSettings& settings_;
  ui::Prompter& prompter_;
  int pointer_ = ui::kDefaultPointer;
  QString declinedNewFile_;  // answered No to "Create a new Access database"

  QGroupBox* frame1_;
  QGroupBox* frame2_;
  QLineEdit* boxes_[settings::ConnectionSettings::kFieldCount];
  ui::CommandButton* check1_;
  ui::CommandButton* check2_;
  ui::CommandButton* check3_;
  QCheckBox* keepTypes_;  // "Keep column types", off by default
};

}  // namespace app
