// Checks on laid-out windows that both windows' tests share.
#pragma once

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <ostream>

// Readable failure messages for Qt values.
inline void PrintTo(const QRect& r, std::ostream* out) {
  *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* out) {
  *out << "QPoint(" << p.x() << ", " << p.y() << ")";
}
inline void PrintTo(const QString& s, std::ostream* out) { *out << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* out) {
  *out << '{' << l.join(", ").toStdString() << '}';
}

namespace testsupport {

// A control's place in its container, in pixels, from the layout in twips
// (15 twips to the pixel).
struct ExpectedRect {
  const char* name;
  const char* container;
  int left, top, width, height;
};

inline void ExpectLayout(QWidget& form, std::initializer_list<ExpectedRect> controls) {
  for (const ExpectedRect& c : controls) {
    auto* widget = form.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(widget, nullptr) << c.name;
    EXPECT_EQ(widget->parentWidget()->objectName().toStdString(), c.container) << c.name;
    EXPECT_EQ(widget->geometry(), QRect(c.left, c.top, c.width, c.height)) << c.name;
  }
}

// What assistive technology reads as the control's name.
inline QString AccessibleName(QWidget* widget) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
  return face ? face->text(QAccessible::Name) : QString();
}

// The controls Tab visits, starting from `first`, as a person pressing Tab
// would walk them (until the walk comes back round).
inline QStringList TabWalk(QWidget& form, QWidget* first, int presses) {
  form.show();
  form.activateWindow();
  if (!QTest::qWaitForWindowActive(&form)) ADD_FAILURE() << "window not active";
  first->setFocus(Qt::OtherFocusReason);
  QStringList names{QApplication::focusWidget()->objectName()};
  for (int i = 0; i < presses; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    names << QApplication::focusWidget()->objectName();
  }
  return names;
}

}  // namespace testsupport
