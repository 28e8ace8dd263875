#include "ui/ScreenCapture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "display/InvertedCopy.h"

namespace vt {

namespace {

QImage ClientImage(QWidget& window) { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A copy from the desktop; none where the platform cannot give one.
QImage DesktopImage(QWidget& window, const QRect& rect) {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("wayland") ||
        platform == QLatin1String("minimal"))
        return {};
    QScreen* screen = window.screen();
    if (!screen) return {};
    const QPixmap shot = screen->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height());
    return shot.isNull() ? QImage() : shot.toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QImage CaptureBitmap(QWidget& window, int kind, const QRect& displayArea, TColor screenColor) {
    const QRect client = window.rect();
    const QRect area = displayArea.isEmpty() ? client : displayArea.intersected(client);
    switch (kind) {
        case 0:
        case 1: {
            QRect rect = window.frameGeometry();
            if (kind == 0 && window.screen()) rect = window.screen()->geometry();
            QImage image = DesktopImage(window, rect);
            return image.isNull() ? ClientImage(window) : image;
        }
        case 2: return ClientImage(window);
        case 3: {
            QImage image = ClientImage(window);
            InvertAgainstScreenColor(image, area, screenColor);
            return image;
        }
        case 4:
        case 5: {
            QImage image = ClientImage(window).copy(area);
            if (kind == 5) InvertAgainstScreenColor(image, image.rect(), screenColor);
            return image;
        }
        default: return {};
    }
}

bool CopyScreenToClipboard(QWidget& window, int kind, const QRect& displayArea, TColor screenColor) {
    const QImage image = CaptureBitmap(window, kind, displayArea, screenColor);
    if (image.isNull()) return false;
    QGuiApplication::clipboard()->setImage(image);
    return true;
}

}  // namespace vt
