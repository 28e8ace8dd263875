#pragma once
// The inverted screen copies for printing on paper: inside the area each pixel becomes
// NOT(pixel XOR screen colour) on its 24 colour bits, so the screen's background turns white and the
// traces show in their complementary colours.
#include <QImage>
#include <QRect>

#include "core/Color.h"

namespace vt {

// The image must be of a 32-bit format; the area is clipped to it.
void InvertAgainstScreenColor(QImage& image, const QRect& area, TColor screenColor);

}  // namespace vt
