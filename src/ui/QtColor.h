#pragma once
// The toolkit's colour of a system colour value.
#include <QColor>

#include "core/Color.h"

namespace vt {

inline QColor ToQColor(TColor c) { return QColor::fromRgb(c.ToPixel()); }

}  // namespace vt
