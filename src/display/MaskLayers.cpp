#include "display/MaskLayers.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <array>

namespace vt {

namespace {

QFont NumberFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);  // 8 points on the screens the layouts were made for
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// The lit pixels of a digit, white on black at its text's size.
struct TDigitGlyph {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Lit;
};

const TDigitGlyph& DigitGlyph(int n) {
    static const std::array<TDigitGlyph, 10> glyphs = [] {
        std::array<TDigitGlyph, 10> g;
        const QFont font = NumberFont();
        const QFontMetrics metrics(font);
        for (int d = 0; d < 10; ++d) {
            const QString text = QString::number(d);
            TDigitGlyph& glyph = g[static_cast<std::size_t>(d)];
            glyph.Width = std::max(1, metrics.horizontalAdvance(text));
            glyph.Height = std::max(1, metrics.height());
            QImage image(glyph.Width, glyph.Height, QImage::Format_RGB32);
            image.fill(Qt::black);
            {
                QPainter painter(&image);
                painter.setFont(font);
                painter.setPen(Qt::white);
                painter.drawText(0, metrics.ascent(), text);
            }
            glyph.Lit.resize(static_cast<std::size_t>(glyph.Width * glyph.Height));
            for (int y = 0; y < glyph.Height; ++y) {
                const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < glyph.Width; ++x)
                    glyph.Lit[static_cast<std::size_t>(y * glyph.Width + x)] = qGreen(row[x]) >= 128 ? 1 : 0;
            }
        }
        return g;
    }();
    return glyphs[static_cast<std::size_t>(n % 10)];
}

}  // namespace

TMaskLayer::TMaskLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TMaskPointTestSource mask)
    : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Mask_(std::move(mask)) {
    Grabbable = false;
}

void TMaskLayer::SetLayerColorAndOpacity(TColor colour) {
    Fill_ = colour.WithAlpha(static_cast<std::uint8_t>((colour.Alpha() + 1) / 2));
    Label_ = colour.WithAlpha(0xFF);
    TMarkerLayer::SetLayerColorAndOpacity(colour);
}

TColor TMaskLayer::CellColor(int x, int y) const {
    switch (Cell(x, y)) {
        case 1: return Color();
        case 2: return Fill_;
        default: return Label_;
    }
}

void TMaskLayer::Rebuild() {
    const TMaskPointTest* mask = Mask_ ? Mask_() : nullptr;
    if (!mask) return;
    BeginUpdate();
    XScale_ = 4000;
    YScale_ = 32768;
    const int maxX = MaxX(), maxY = MaxY();
    for (int c = 1; c <= maxX - 1; ++c) {
        const int x = (c * 4000 + maxX / 2) / maxX;
        for (int r = 1; r <= maxY; ++r) {
            const int y = 32768 - (r * 32768 + maxY / 2) / maxY;
            const int hit = mask->TestPoint(x, y);
            if (hit == 0) continue;
            SetCell(c, r, static_cast<std::uint16_t>(hit));
            SetPixel(c, r);
        }
    }
    for (int n = 1; n <= 8; ++n) {
        int x = 0, y = 0;
        mask->GetPolygonCenter(n, x, y);
        if (x == 0 && y == 0) break;
        DrawNumber(n, x, y);
    }
    EndUpdate();
}

// A number near an edge is cut off there rather than written past the grid.
void TMaskLayer::DrawNumber(int n, int x, int y) {
    const TDigitGlyph& glyph = DigitGlyph(n);
    const int left = std::max(1, ScreenXToCell(x) - (glyph.Width + 1) / 2);
    const int top = std::max(1, ScreenYToCell(y) - (glyph.Height + 1) / 2);
    for (int gy = 0; gy < glyph.Height; ++gy) {
        const int cy = top + gy;
        if (cy > MaxY() - 1) break;
        for (int gx = 0; gx < glyph.Width; ++gx) {
            const int cx = left + gx;
            if (cx > MaxX() - 1) break;
            if (!glyph.Lit[static_cast<std::size_t>(gy * glyph.Width + gx)]) continue;
            SetCell(cx, cy, 3);
            SetPixel(cx, cy);
        }
    }
}

void RegisterMaskLayerClasses(TOverlayClasses& classes, TMaskPointTestSource mask) {
    classes.Register(TOverlayClass::Mask, [mask](std::string name, bool xy, int slot, int rows, int columns) {
        return std::make_unique<TMaskLayer>(std::move(name), xy, slot, rows, columns, mask);
    });
    classes.Register(TOverlayClass::MaskError, [](std::string name, bool xy, int slot, int rows, int columns) {
        return std::make_unique<TMaskErrorLayer>(std::move(name), xy, slot, rows, columns);
    });
}

}  // namespace vt
