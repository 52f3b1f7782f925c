#include "ui/form_look.h"

#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>

namespace ui {

QFont ArialNine(bool bold) {
  QFont font(QStringLiteral("Arial"), 9);
  font.setBold(bold);
  return font;
}

void PaintWhite(QWidget& form) {
  QPalette white = form.palette();
  for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
    white.setColor(role, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  form.setPalette(white);
  form.setAutoFillBackground(true);
}

void Frame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int middle = metrics.height() / 2;
  painter.setPen(QColor(0xa0, 0xa0, 0xa0));
  painter.drawRect(rect().adjusted(0, middle, -1, -1));
  const QRect caption(6, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
  painter.fillRect(caption, palette().window());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(caption, Qt::AlignCenter, title());
}

void FitCaption(QLabel& label) {
  QFont font = label.font();
  const QString text = label.text();
  const qreal excess = QFontMetricsF(font).horizontalAdvance(text) - label.width();
  if (excess <= 0 || text.size() < 2) return;
  font.setLetterSpacing(QFont::AbsoluteSpacing, -(excess + 0.5) / (text.size() - 1));
  label.setFont(font);
}

}  // namespace ui
