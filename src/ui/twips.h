// Window geometry is reckoned in twips (1/1440 inch), 15 to the pixel at 96
// dots per inch.
#pragma once

#include <QRect>
#include <cmath>

namespace ui {

inline constexpr int kTwipsPerPixel = 15;

inline int TwipsToPixels(float twips) {
  return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline float PixelsToTwips(int pixels) { return static_cast<float>(pixels) * kTwipsPerPixel; }

inline QRect TwipRect(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
               TwipsToPixels(height));
}

}  // namespace ui
