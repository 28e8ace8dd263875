#include "display/DrawingSurfaces.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>

#include "core/InternalError.h"

namespace vt {

namespace {

constexpr int MaxSide = 65535;

}  // namespace

void ForgetOverlapping(std::vector<TShownText>& shown, TPixelRect cell) {
    std::erase_if(shown, [&cell](const TShownText& s) {
        return s.Cell.Left < cell.Right && cell.Left < s.Cell.Right && s.Cell.Top < cell.Bottom &&
               cell.Top < s.Cell.Bottom;
    });
}

// ---------------------------------------------------------------------------------------------------
TSLBMP::TSLBMP() : Font_(QStringLiteral("Liberation Sans")) {
    Font_.setPixelSize(11);
    Font_.setStyleStrategy(QFont::NoAntialias);
}

void TSLBMP::SetSize(int width, int height) {
    width = std::clamp(width, 0, MaxSide);
    height = std::clamp(height, 0, MaxSide);
    Width_ = width;
    Height_ = height;
    Pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), clBlack.ToPixel());
    Rows_.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        Rows_[static_cast<std::size_t>(y)] = Pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    if (width > 0 && height > 0) {
        Image_ = QImage(reinterpret_cast<uchar*>(Pixels_.data()), width, height,
                        static_cast<qsizetype>(width) * 4, QImage::Format_RGB32);
    } else {
        Image_ = QImage();
    }
}

void TSLBMP::Fill(TPixelRect rect, TColor colour) {
    rect = Intersect(rect, Bounds());
    if (rect.Empty()) return;
    const std::uint32_t pixel = colour.ToPixel();
    for (int y = rect.Top; y <= rect.Bottom; ++y) std::fill(Row(y) + rect.Left, Row(y) + rect.Right + 1, pixel);
}

TSLBMP::TFontMeasures& TSLBMP::Measures() const {
    for (TFontMeasures& m : Measures_)
        if (m.Font == Font_) return m;
    // The strips narrow their letters in a few steps: a handful of fonts at most.
    if (Measures_.size() >= 16) Measures_.clear();
    Measures_.push_back({Font_, QFontMetrics(Font_), {}, {}});
    Measures_.back().LetterAdvances.fill(-1);
    return Measures_.back();
}

int TSLBMP::TextWidth(const QString& text) const {
    TFontMeasures& m = Measures();
    if (const auto known = m.Widths.constFind(text); known != m.Widths.cend()) return *known;
    // Ever new texts start the table over rather than grow it.
    if (m.Widths.size() >= 1024) m.Widths.clear();
    const int width = m.Metrics.horizontalAdvance(text);
    m.Widths.insert(text, width);
    return width;
}

bool TSLBMP::TextFits(const QString& text, int room) const {
    TFontMeasures& m = Measures();
    long bound = 0;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) return TextWidth(text) <= room;
        int& advance = m.LetterAdvances[c.unicode()];
        if (advance < 0) advance = m.Metrics.horizontalAdvance(c);
        bound += advance + 1;
        if (bound > room) return TextWidth(text) <= room;
    }
    return true;
}

int TSLBMP::TextHeight(const QString&) const { return Measures().Metrics.height(); }

void TSLBMP::DrawText(TPixelRect rect, int x, int y, const QString& text) {
    Fill(rect, BrushColor);
    const TPixelRect clip = Intersect(rect, Bounds());
    if (clip.Empty()) return;
    QPainter painter(&Image_);
    painter.setClipRect(clip.Left, clip.Top, clip.Width(), clip.Height());
    painter.setFont(Font_);
    painter.setPen(QColor::fromRgb(FontColor.ToPixel()));
    painter.drawText(x, y + Measures().Metrics.ascent(), text);
}

// ---------------------------------------------------------------------------------------------------
TPixelRect TScanLinesScreen::NoDirt() { return {INT_MAX, INT_MAX, INT_MIN, INT_MIN}; }

TScanLinesScreen::TScanLinesScreen(TScreenSink* sink) : Sink_(sink) {}

TScanLinesScreen::~TScanLinesScreen() {
    if (Sink_) Sink_->ScreenGone(*this);
}

void TScanLinesScreen::Resize(int left, int top, int width, int height) {
    Left_ = left;
    Top_ = top;
    Bitmap_.BrushColor = Color_;
    Bitmap_.SetSize(width, height);
    if (Sink_) Sink_->PlaceChanged(*this);
}

void TScanLinesScreen::MoveTo(int left, int top) {
    if (left == Left_ && top == Top_) return;
    Left_ = left;
    Top_ = top;
    if (Sink_) Sink_->PlaceChanged(*this);
}

void TScanLinesScreen::Clear() {
    Bitmap().Fill(Bitmap_.Bounds(), Color_);
    InvalidateAll();
}

void TScanLinesScreen::SetVisible(bool visible) {
    if (visible == Visible_) return;
    Visible_ = visible;
    if (Sink_) Sink_->PlaceChanged(*this);
}

void TScanLinesScreen::SetColor(TColor colour) {
    if (colour == Color_) return;
    Color_ = colour;
    Bitmap_.BrushColor = colour;
    Clear();
}

void TScanLinesScreen::InvalidateAll() { BlitRect(0, 0, Width() - 1, Height() - 1); }

void TScanLinesScreen::BlitRect(int left, int top, int right, int bottom) {
    const TPixelRect rect = Intersect({left, top, right, bottom}, Bitmap_.Bounds());
    if (rect.Empty() || !Sink_) return;
    Sink_->CopyToWindow(*this, rect);
}

void TScanLinesScreen::FillRectColor(TPixelRect rect, TColor colour, bool copyNow) {
    // The brush is the screen's again afterwards: the fill colour is passed, not kept.
    Bitmap().Fill(rect, colour);
    if (copyNow) BlitRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TScanLinesScreen::BeginUpdate() {
    if (Depth_ == 0) Dirty_ = NoDirt();
    ++Depth_;
}

void TScanLinesScreen::EndUpdate() {
    if (Depth_ <= 0) VT_INTERNAL_ERROR(ScreenObjUnitName, "Assertion failure");
    if (--Depth_ > 0 || Dirty_.Empty()) return;
    const TPixelRect dirty = Dirty_;
    Dirty_ = NoDirt();
    BlitRect(dirty.Left, dirty.Top, dirty.Right, dirty.Bottom);
}

void TScanLinesScreen::TextOut(int x, int y, const std::string& text, int hAlign, int vAlign) {
    if (!Visible_) return;
    const QString q = QString::fromStdString(text);
    const int w = Bitmap_.TextWidth(q);
    const int h = Bitmap_.TextHeight(q);
    int left = hAlign == 1 ? x - w / 2 : hAlign == 2 ? x - w : x;
    left = std::max(left, 0);
    if (left + w > Width()) left = Width() - w;
    const int top = vAlign == 1 ? y - h / 2 : vAlign == 2 ? y - h : y;
    TextRect({left, top, left + w - 1, top + h - 1}, 0, 0, text);
}

void TScanLinesScreen::TextRect(TPixelRect rect, int dx, int dy, const std::string& text) {
    if (!Visible_) return;
    Bitmap().DrawText(rect, rect.Left + dx, rect.Top + dy, QString::fromStdString(text));
    BlitRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TScanLinesScreen::TextRectDeferred(TPixelRect rect, int dx, int dy, const std::string& text) {
    if (!Visible_) return;
    Bitmap().DrawText(rect, rect.Left + dx, rect.Top + dy, QString::fromStdString(text));
    if (!rect.Empty()) Widen(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

}  // namespace vt
