#include "display/AnnotationLayer.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <bit>

#include "core/InternalError.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"

namespace vt {

namespace {
constexpr int LineLength = 76;

QFont LabelFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);  // 8 points on the screens the layouts were made for
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}
}  // namespace

TAnnGlyph RenderAnnotationGlyph(const std::string& text) {
    static const QFont font = LabelFont();
    const QFontMetrics metrics(font);
    const QString shown = QStringLiteral(" ") + QString::fromStdString(text) + QStringLiteral(" ");
    // Labels come from the language files: whatever their length, the glyph keeps its largest size.
    const int width = std::min(metrics.horizontalAdvance(shown) + 2, AnnGlyphMaxWidth);
    const int height = std::min(metrics.height() + 3, AnnGlyphMaxHeight);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(1, 1 + metrics.ascent(), shown);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width - 1, height - 1);
    }
    TAnnGlyph glyph;
    glyph.Width = static_cast<std::uint8_t>(width);
    glyph.Height = static_cast<std::uint8_t>(height);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            glyph.Lit[static_cast<std::size_t>(y * AnnGlyphMaxWidth + x)] = qGreen(row[x]) >= 128 ? 1 : 0;
    }
    return glyph;
}

// ---------------------------------------------------------------------------------------------------
TAnnotationLayer::TAnnotationLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Plane_(Grid_.size(), 0) {
    Grabbable = false;
}

std::size_t TAnnotationLayer::Index(int n) {
    if (n < 1 || n > AnnotationRecordCount) VT_INTERNAL_ERROR(AnnotationLayerUnitName, "Range check error");
    return static_cast<std::size_t>(n - 1);
}

TColor TAnnotationLayer::CellColor(int x, int y) const {
    const std::size_t i = CellIndex(x, y);
    const std::uint16_t set = Grid_[i];
    if (set == 0) VT_INTERNAL_ERROR(AnnotationLayerUnitName, "???? Label Layer ERROR - Must be point !!!!!");
    const int lowest = std::countr_zero(set);
    return TColor(AnnotationColors[(Plane_[i] >> (2 * lowest)) & 3]);
}

void TAnnotationLayer::Erase() {
    TMarkerLayer::Erase();
    std::fill(Plane_.begin(), Plane_.end(), std::uint16_t{0});
    for (TRecordState& s : States_) s.Drawn = false;
}

void TAnnotationLayer::SetSlot(int n, const TAnnLabelParam& record) {
    const std::size_t i = Index(n);
    TAnnLabelParam& stored = Records_[i];
    TRecordState& state = States_[i];
    BeginUpdate();
    if (!record.Shown || record.Shape != stored.Shape || record.Text != stored.Text ||
        record.LabelHighlight != stored.LabelHighlight)
        EraseRecord(n);
    if (record.Shown) {
        const int column = ScreenXToCell(record.X);
        const int row = ScreenYToCell(record.Y);
        const int column2 = ScreenXToCell(record.X2);
        if (state.Drawn) {
            const bool moved = column != state.Column || row != state.Row || column2 != state.Column2 ||
                               record.MarkHighlight != stored.MarkHighlight;
            stored = record;
            if (moved) {
                EraseRecord(n);
                state.Column = column;
                state.Row = row;
                state.Column2 = column2;
                DrawRecord(n);
            }
        } else {
            stored = record;
            if (!GlyphMade_[i] || GlyphTexts_[i] != record.Text) {
                Glyphs_[i] = RenderAnnotationGlyph(record.Text);
                GlyphTexts_[i] = record.Text;
                GlyphMade_[i] = true;
                ++GlyphRenders_;
            }
            state.Column = column;
            state.Row = row;
            state.Column2 = column2;
            DrawRecord(n);
        }
    }
    EndUpdate();
}

void TAnnotationLayer::DrawRecord(int n) {
    const std::size_t i = Index(n);
    TRecordState& s = States_[i];
    const int width = Glyphs_[i].Width;
    const int shape = Records_[i].Shape;
    s.Shape = static_cast<std::uint8_t>(shape);
    const int r2 = s.Row < 56 ? s.Row + 40 : s.Row - 28;
    switch (shape) {
        case 1:
        case 7: s.LabelColumn = s.Column + 17; break;
        case 2: s.LabelColumn = s.Column - width - 17; break;
        case 3: s.LabelColumn = s.Column + 17; break;
        case 4: s.LabelColumn = 10; break;
        case 5: s.LabelColumn = s.Column + 7; break;
        default: s.LabelColumn = s.Column - width - 17; break;
    }
    // A mark near an edge of a narrow screen keeps its label whole inside the frame.
    if (width < MaxX()) s.LabelColumn = std::clamp(s.LabelColumn, 1, MaxX() - width);
    s.LabelRow = shape == 2 || shape == 3 ? r2 - 22 : s.Row < 26 ? s.Row + 5 : s.Row - 22;
    s.Drawn = true;
    WalkRecord(n, true);
}

void TAnnotationLayer::EraseRecord(int n) {
    TRecordState& s = States_[Index(n)];
    if (!s.Drawn) return;
    s.Drawn = false;
    WalkRecord(n, false);
}

void TAnnotationLayer::WalkRecord(int n, bool paint) {
    const std::size_t i = Index(n);
    const TRecordState& s = States_[i];
    const TAnnLabelParam& record = Records_[i];
    const int mark = record.MarkHighlight ? 1 : 3;
    auto cell = [&](int x, int y, int code) {
        if (paint) PaintCell(n, x, y, code);
        else EraseCell(n, x, y);
    };
    auto vertical = [&](int x, int from, int to, int code) {
        for (int y = from; y <= to; ++y) cell(x, y, code);
    };
    auto horizontal = [&](int from, int to, int y, int code) {
        for (int x = from; x <= to; ++x) cell(x, y, code);
    };
    auto arrowhead = [&](int d, int c, int r) {
        for (int j = 1; j <= 5; ++j)
            for (int k = 2 * j; k <= j + 6; ++k) {
                cell(c + d * k, r - j, mark);
                cell(c + d * k, r + j, mark);
            }
    };
    const int c = s.Column;
    const int r = s.Row;
    const int shape = s.Shape;
    if (shape == 5 || shape == 6 || shape == 7) {
        vertical(c, r - 10, r + 10, mark);
        if (shape == 5) vertical(s.Column2, r - 10, r + 10, mark);
    }
    if (shape == 2 || shape == 3) {
        if (r < 56) vertical(c, r - 8, r + 48, mark);
        else vertical(c, r - 36, r + 8, mark);
    }
    const int r2 = r < 56 ? r + 40 : r - 28;
    switch (shape) {
        case 1:
        case 7:
            horizontal(c, c + LineLength - 1, r, mark);
            arrowhead(+1, c, r);
            break;
        case 2:
            horizontal(c - LineLength + 1, c, r2, mark);
            arrowhead(-1, c, r2);
            break;
        case 3:
            horizontal(c, c + LineLength - 1, r2, mark);
            arrowhead(+1, c, r2);
            break;
        case 4: horizontal(1, MaxX() - 1, r, 1); break;
        case 5:
            horizontal(c - LineLength + 1, c, r, mark);
            arrowhead(-1, c, r);
            horizontal(c, s.Column2 + LineLength - 1, r, mark);
            arrowhead(+1, s.Column2, r);
            break;
        case 0:
        case 6:
            horizontal(c - LineLength + 1, c, r, mark);
            arrowhead(-1, c, r);
            break;
        default: break;
    }
    const TAnnGlyph& glyph = Glyphs_[i];
    const int text = record.LabelHighlight ? 2 : 3;
    for (int y = 0; y < glyph.Height; ++y)
        for (int x = 0; x < glyph.Width; ++x) cell(s.LabelColumn + x, s.LabelRow + y, glyph.IsLit(x, y) ? text : 0);
}

void TAnnotationLayer::PaintCell(int n, int x, int y, int code) {
    if (x <= 0 || x >= MaxX() || y <= 0 || y >= MaxY()) return;
    const std::size_t i = CellIndex(x, y);
    const auto bit = static_cast<std::uint16_t>(1u << (n - 1));
    const int shift = 2 * (n - 1);
    Plane_[i] = static_cast<std::uint16_t>((Plane_[i] & ~(3u << shift)) | (static_cast<unsigned>(code) << shift));
    const std::uint16_t set = Grid_[i];
    Grid_[i] = static_cast<std::uint16_t>(set | bit);
    // A lower record keeps the pixel.
    if ((set & (bit - 1)) == 0) SetPixel(x, y);
}

void TAnnotationLayer::EraseCell(int n, int x, int y) {
    if (x <= 0 || x >= MaxX() || y <= 0 || y >= MaxY()) return;
    const std::size_t i = CellIndex(x, y);
    const auto bit = static_cast<std::uint16_t>(1u << (n - 1));
    const std::uint16_t set = Grid_[i];
    if ((set & bit) == 0) return;
    const auto left = static_cast<std::uint16_t>(set & ~bit);
    Grid_[i] = left;
    if ((set & (bit - 1)) != 0) return;
    if (left == 0) ClearPixel(x, y);
    else SetPixel(x, y);
}

// ---------------------------------------------------------------------------------------------------
void RefreshAnnotationLayers(TScopeDisplayServices& display, TAnnLabelArray records) {
    TScopeCRT* panel = display.Panel();
    if (!panel) return;
    for (int n = 1; n <= AnnotationRecordCount; ++n) {
        const TAnnLabelParam& record = records[n];
        if (record.Kind != 1 && record.Kind != 2) continue;
        if (auto* layer = dynamic_cast<TAnnotationLayer*>(panel->AnnotationLayer(record.Kind, record.Source)))
            layer->SetSlot(n, record);
    }
}

void ClearAnnotations(TScopeDisplayServices& display) {
    TAnnotationState& state = display.Annotations();
    state.UsedSlots = 0;
    if (TScopeCRT* panel = display.Panel()) {
        panel->FreeAnnotationLayer(1);
        panel->FreeAnnotationLayer(2);
    }
    state.Owner = 0;
}

void RemoveMeasAnnotations(TScopeDisplayServices& display, int m) {
    TAnnotationState& state = display.Annotations();
    if (m < 0 || m > state.AnnotatedMeas) return;
    if (m == state.AnnotatedMeas) {
        ClearAnnotations(display);
        state.AnnotatedMeas = -1;
    } else {
        --state.AnnotatedMeas;
    }
}

}  // namespace vt
