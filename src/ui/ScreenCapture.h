#pragma once
// Screen copies of the main window for the clipboard and for printing.
#include <QImage>
#include <QRect>

#include "core/Color.h"

class QWidget;

namespace vt {

// Kinds: 0 the whole screen, 1 the window's outer rectangle (both from the desktop, else from the
// window's own image where the platform gives no desktop copy), 2 the client image, 3 the client image
// inverted inside the display area, 4 the display area (the whole client when there is none), 5 the
// display area inverted. Other kinds: a null image. The inversion is NOT(pixel XOR screen colour).
QImage CaptureBitmap(QWidget& window, int kind, const QRect& displayArea, TColor screenColor);

// Captures and puts the image on the clipboard; false when the kind gives none.
bool CopyScreenToClipboard(QWidget& window, int kind, const QRect& displayArea, TColor screenColor);

}  // namespace vt
