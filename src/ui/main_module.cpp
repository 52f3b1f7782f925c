#include "ui/main_module.h"

#include "ui/name_list.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ui {

bool ListContains(const QString& text, const NameList& list) {
  bool found = false;
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.List(i) == text) found = true;
  }
  return found;
}

void RemoveListItem(NameList& list, const QString& text) {
  const int n = list.ListCount();
  for (int i = 0; i < n; ++i) {
    if (i < list.ListCount() && list.List(i) == text) list.RemoveItem(i);
  }
}

dataaccess::Value NullToDefault(const dataaccess::Value& value, const dataaccess::Value& fallback) {
  return dataaccess::IsNull(value) ? fallback : value;
}

TwipPosition CenterForm(float windowWidth, float windowHeight, float screenWidth,
                        float screenHeight) {
  const float left = (screenWidth - windowWidth) / 2.0f;
  const float top = (screenHeight - windowHeight) / 2.0f - 1000.0f;
  return {left, top};
}

namespace {

QScreen* ScreenOf(const QWidget& window) {
  QScreen* screen = window.screen();
  return screen ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

void CenterForm(QWidget& window) {
  const QScreen* screen = ScreenOf(window);
  if (!screen) return;
  window.winId();  // the platform window must exist for its frame to be known
  const QSize outer = window.frameGeometry().size();
  const QRect area = screen->geometry();
  const TwipPosition at = CenterForm(PixelsToTwips(outer.width()), PixelsToTwips(outer.height()),
                                     PixelsToTwips(area.width()), PixelsToTwips(area.height()));
  // move() places the frame's top-left corner.
  window.move(area.x() + TwipsToPixels(at.left), area.y() + TwipsToPixels(at.top));
}

void SetOuterWidth(QWidget& window, int twips) {
  const int frame = window.frameGeometry().width() - window.geometry().width();
  const int client = TwipsToPixels(static_cast<float>(twips)) - frame;
  window.setFixedWidth(client);
}

}  // namespace ui
