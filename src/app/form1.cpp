#include "app/form1.h"

#include "ui/command_button.h"
#include "ui/form_look.h"
#include "ui/main_module.h"
#include "ui/prompter.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

namespace app {

namespace {

using settings::ConnectionSettings;
using Field = ConnectionSettings::Field;

// Sets a control's designer name, font and place (twips, in its container).
template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setFont(ui::ArialNine(true));
  widget->setGeometry(ui::TwipRect(left, top, width, height));
  return widget;
}

QLabel* AddLabel(QWidget* container, const char* name, const QString& caption, int left, int top,
                 int width, int height) {
  QLabel* label = Place(new QLabel(caption, container), name, left, top, width, height);
  ui::FitCaption(*label);
  return label;
}

}  // namespace

Form1::Form1(ConnectionSettings& settings, ui::Prompter& prompter, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      settings_(settings),
      prompter_(prompter) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Setup Connections"));
  QPixmap blank(32, 32);
  blank.fill(Qt::transparent);
  setWindowIcon(QIcon(blank));
  setFont(ui::ArialNine(false));
  ui::PaintWhite(*this);
  setFixedSize(ui::TwipsToPixels(6345), ui::TwipsToPixels(5415));

  frame1_ = Place(new ui::Frame(QStringLiteral("MySQL Database"), this), "Frame1", 120, 120, 6135,
                  2895);
  AddLabel(frame1_, "Label2", QStringLiteral("Server:"), 240, 405, 1095, 255);
  AddLabel(frame1_, "Label1", QStringLiteral("Username:"), 240, 885, 1095, 255);
  AddLabel(frame1_, "Label4", QStringLiteral("Password:"), 240, 1365, 1095, 255);
  AddLabel(frame1_, "Label3", QStringLiteral("Database:"), 240, 1845, 975, 255);
  Place(AddBox(frame1_, "Text1", QStringLiteral("Server:"), Field::Server), "Text1", 1320, 360,
        4575, 330);
  Place(AddBox(frame1_, "Text2", QStringLiteral("Username:"), Field::User), "Text2", 1320, 840,
        4575, 330);
  Place(AddBox(frame1_, "Text3", QStringLiteral("Password:"), Field::Password), "Text3", 1320,
        1320, 4575, 330);
  Place(AddBox(frame1_, "Text4", QStringLiteral("Database:"), Field::Database), "Text4", 1320,
        1800, 4575, 330);

  frame2_ = Place(new ui::Frame(QStringLiteral("Access Database"), this), "Frame2", 120, 3120,
                  6135, 1335);
  AddLabel(frame2_, "Label5", QStringLiteral("Access MDB File:"), 240, 405, 1455, 255);
  AddLabel(frame2_, "lblPassword", QStringLiteral("Access Password (if required):"), 240, 885,
           2640, 225);
  Place(AddBox(frame2_, "Text5", QStringLiteral("Access MDB File:"), Field::AccessMDBFile),
        "Text5", 1800, 360, 3615, 330);
  Place(AddBox(frame2_, "txtPassword", QStringLiteral("Access Password (if required):"),
               Field::AccessPassword),
        "txtPassword", 3000, 840, 2865, 345);
  for (QLineEdit* masked : {boxes_[int(Field::Password)], boxes_[int(Field::AccessPassword)]}) {
    masked->setEchoMode(QLineEdit::Password);
    masked->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // "*"
  }

  keepTypes_ = Place(new QCheckBox(QStringLiteral("Keep column types"), this), "chkKeepTypes", 240, 4530, 5775,
                     285);
  keepTypes_->setAccessibleName(keepTypes_->text());
  connect(keepTypes_, &QCheckBox::toggled, this, [this](bool keep) { settings_.SetKeepColumnTypes(keep); });

  // The window-level buttons lie over the frames and are drawn above them.
  check3_ = Place(new ui::CommandButton(QStringLiteral("Test Connection"), this), "Check3", 240,
                  2400, 5775, 375);
  check1_ = Place(new ui::CommandButton(QStringLiteral("..."), this), "Check1", 5640, 3480, 325,
                  330);
  check2_ = Place(new ui::CommandButton(QStringLiteral("OK"), this), "Check2", 120, 4920, 6135,
                  375);
  for (QWidget* button : {check3_, check1_, check2_}) button->raise();

  check3_->SetCommand([this] { ui::RunCommand(prompter_, hooks.testConnection); });
  check1_->SetCommand([this] { ChooseAccessFile(); });
  check2_->SetCommand([this] { GoToMainWindow(); });

  QWidget* tabOrder[] = {boxes_[0], boxes_[1], boxes_[2], boxes_[3], boxes_[4],
                         boxes_[5], check3_,   check1_,   keepTypes_, check2_};
  for (size_t i = 0; i + 1 < std::size(tabOrder); ++i)
    setTabOrder(tabOrder[i], tabOrder[i + 1]);
  boxes_[0]->setFocus();
}

QLineEdit* Form1::AddBox(QWidget* container, const char* name, const QString& label,
                         ConnectionSettings::Field field) {
  auto* box = new QLineEdit(container);
  box->setObjectName(QString::fromLatin1(name));
  box->setAccessibleName(label);
  for (QLabel* caption : container->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
    if (caption->text() == label) caption->setBuddy(box);
  // Every change, typed or set by the program, is stored at once.
  connect(box, &QLineEdit::textChanged, this,
          [this, field](const QString& text) { settings_.Set(field, text); });
  boxes_[static_cast<int>(field)] = box;
  return box;
}

void Form1::Load() {
  ui::CenterForm(*this);
  settings_.Load();
  for (int i = 0; i < ConnectionSettings::kFieldCount; ++i)
    boxes_[i]->setText(settings_.Get(static_cast<Field>(i)));
  keepTypes_->setChecked(settings_.KeepColumnTypes());
  if (settings_.IsComplete()) {
    if (hooks.showMainWindow) hooks.showMainWindow();
  } else {
    show();
  }
  ui::SetOuterWidth(*this, 120 + 6135 + 240);  // Frame1's left and width, and a margin
}

void Form1::ShowTesting(bool testing) {
  const QString caption = testing ? QStringLiteral("Testing Connection...") : QStringLiteral("Test Connection");
  check3_->setText(caption);
  check3_->setAccessibleName(caption);
  check3_->setEnabled(!testing);
}

void Form1::SetMousePointer(int shape) {
  pointer_ = shape;
  ui::ApplyMousePointer(*this, shape);
}

void Form1::ChooseAccessFile() {
  // Cancel keeps the stored path: clearing it would lose the user's file.
  if (std::optional<QString> path = prompter_.ChooseOpenFile(kChooserTitle, kChooserFilter)) {
    boxes_[static_cast<int>(Field::AccessMDBFile)]->setText(*path);
    OfferNewAccessDatabase();
  }
}

// A chosen or typed Access file that does not exist yet can be made here;
// No leaves the path as it is, and the same path is not offered again.
void Form1::OfferNewAccessDatabase() {
  const QString path = settings_.AccessMDBFile();
  if (path.isEmpty() || path == declinedNewFile_ || QFileInfo::exists(path) || !hooks.createAccessDatabase) return;
  if (prompter_.AskYesNo(QStringLiteral("Create a new Access database ") + path + QLatin1Char('?'), ui::kAppTitle))
    hooks.createAccessDatabase(path);
  else
    declinedNewFile_ = path;
}

void Form1::GoToMainWindow() {
  OfferNewAccessDatabase();
  if (hooks.showMainWindow) hooks.showMainWindow();
  hide();
}

void Form1::closeEvent(QCloseEvent* event) {
  event->accept();
  if (hooks.closed) hooks.closed();
}

}  // namespace app
