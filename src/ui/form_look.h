// The look both windows share: Arial 9 pt, white backgrounds, frames drawn
// as a thin line with the caption set into it, captions that fit their boxes.
#pragma once

#include <QGroupBox>

class QFont;
class QLabel;

namespace ui {

// A frame: a thin grey rectangle whose top line runs through the caption.
// Children sit at positions relative to its outer corner.
class Frame : public QGroupBox {
 public:
  Frame(const QString& caption, QWidget* parent) : QGroupBox(caption, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

QFont ArialNine(bool bold);

// White window, frame, button and text backgrounds, black captions.
void PaintWhite(QWidget& form);

// Liberation Sans, standing in for Arial, runs a few pixels wider than the
// boxes the layout allows some captions ("Access MDB File:" needs 101 of
// 97). Rather than clip the caption or move the box, its letters are set a
// little closer until it fits.
void FitCaption(QLabel& label);

}  // namespace ui
