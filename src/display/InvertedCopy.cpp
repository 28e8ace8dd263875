#include "display/InvertedCopy.h"

#include <cstdint>

namespace vt {

void InvertAgainstScreenColor(QImage& image, const QRect& area, TColor screenColor) {
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty()) return;
    // NOT(p XOR s) = p XOR NOT s: one exclusive or per pixel; the alpha byte stays opaque.
    const std::uint32_t mask = ~screenColor.ToPixel() & 0x00FFFFFFu;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) row[x] = (row[x] ^ mask) | 0xFF000000u;
    }
}

}  // namespace vt
