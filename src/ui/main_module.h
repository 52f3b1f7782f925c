// Small procedures the commands share: asking whether a table list holds a
// name, removing a name from it, replacing a Null field value by a default,
// and centring a window on the screen.
#pragma once

#include "ui/twips.h"
#include "dataaccess/value.h"

#include <QString>

class QWidget;

namespace ui {

class NameList;

// True when some entry equals `text` exactly (case-sensitive, no trimming).
bool ListContains(const QString& text, const NameList& list);

// Scans positions 0 to n-1, n taken before anything is removed, and removes
// the entry at position i when it equals `text`. The entry that moves up into
// a freed position is not looked at, so of two adjacent equal entries only the
// first goes.
void RemoveListItem(NameList& list, const QString& text);

// `fallback` when `value` is Null, else `value` unchanged.
dataaccess::Value NullToDefault(const dataaccess::Value& value, const dataaccess::Value& fallback);

struct TwipPosition {
  float left;
  float top;
};

// Horizontally centred, 1000 twips above the vertical centre; single-precision
// arithmetic, nothing rounded or clamped.
TwipPosition CenterForm(float windowWidth, float windowHeight, float screenWidth,
                        float screenHeight);

// Places `window` so: its outer size (frame included) against its screen.
void CenterForm(QWidget& window);

// The outer (frame) width of `window` set to `twips`, the client area taking
// up the difference.
void SetOuterWidth(QWidget& window, int twips);

}  // namespace ui
