#include "display/Annotations.h"

#include <algorithm>

#include "core/InternalError.h"

namespace vt {

namespace {

constexpr const char* UnitName = "_SHELL\\SRC\\AnnotationLayerUnit";

void Define(TAnnLabelParams& records, TAnnotationState& state, int n, int kind, int source, bool labelHighlight,
            const std::string& text, int shape) {
    TAnnLabelParam& r = AnnotationRecord(records, n);
    r.Kind = static_cast<std::uint8_t>(kind);
    r.Shown = true;
    r.Source = static_cast<std::uint8_t>(source);
    r.LabelHighlight = labelHighlight;
    r.Text = text;
    r.Shape = static_cast<std::uint8_t>(shape);
    if (state.UsedSlots < n) state.UsedSlots = static_cast<std::uint8_t>(n);
}

}  // namespace

TAnnLabelParam& AnnotationRecord(TAnnLabelParams& records, int n) {
    if (n < 1 || n > AnnotationRecordCount) VT_INTERNAL_ERROR(UnitName, "Range check error: annotation record");
    return records[static_cast<std::size_t>(n - 1)];
}

const TAnnLabelParam& AnnotationRecord(const TAnnLabelParams& records, int n) {
    if (n < 1 || n > AnnotationRecordCount) VT_INTERNAL_ERROR(UnitName, "Range check error: annotation record");
    return records[static_cast<std::size_t>(n - 1)];
}

void DefinePointAnnotation(TAnnLabelParams& records, TAnnotationState& state, int n, int source, bool labelHighlight,
                           const std::string& text, int shape) {
    Define(records, state, n, 1, source, labelHighlight, text, shape);
}

void DefineLevelAnnotation(TAnnLabelParams& records, TAnnotationState& state, int n, int source, bool labelHighlight,
                           const std::string& text, int shape) {
    Define(records, state, n, 2, source, labelHighlight, text, shape);
}

void SetAnnotationX(TAnnLabelParams& records, int n, std::int32_t x) { AnnotationRecord(records, n).X = x; }
void SetAnnotationY(TAnnLabelParams& records, int n, std::int32_t y) { AnnotationRecord(records, n).Y = y; }
void SetAnnotationX2(TAnnLabelParams& records, int n, std::int32_t x2) { AnnotationRecord(records, n).X2 = x2; }
std::int32_t GetAnnotationX(const TAnnLabelParams& records, int n) { return AnnotationRecord(records, n).X; }
std::int32_t GetAnnotationY(const TAnnLabelParams& records, int n) { return AnnotationRecord(records, n).Y; }
std::int32_t GetAnnotationX2(const TAnnLabelParams& records, int n) { return AnnotationRecord(records, n).X2; }

void SetAnnotationPoint(TAnnLabelParams& records, int n, std::int32_t x, std::int32_t y) {
    TAnnLabelParam& r = AnnotationRecord(records, n);
    r.X = x;
    r.Y = y;
}

void CopyAnnotationPoint(TAnnLabelParams& records, int n, int from) {
    const TAnnLabelParam src = AnnotationRecord(records, from);
    TAnnLabelParam& r = AnnotationRecord(records, n);
    r.X = src.X;
    r.Y = src.Y;
    r.X2 = src.X2;
}

void SetAnnotationText(TAnnLabelParams& records, int n, const std::string& text) {
    AnnotationRecord(records, n).Text = text;
}

void SetAnnotationTextNumbered(TAnnLabelParams& records, int n, const std::string& text, int k) {
    AnnotationRecord(records, n).Text = k > 1 ? text + " (" + std::to_string(k) + ")" : text;
}

void SetAnnotationVisible(TAnnLabelParams& records, int n, bool shown) { AnnotationRecord(records, n).Shown = shown; }

void SetAllAnnotationsVisible(TAnnLabelParams& records, const TAnnotationState& state, bool shown) {
    const int last = std::min<int>(state.UsedSlots, AnnotationRecordCount);
    for (int n = 1; n <= last; ++n) AnnotationRecord(records, n).Shown = shown;
}

void SetAnnotationHighlight(TAnnLabelParams& records, int n, bool on) {
    AnnotationRecord(records, n).MarkHighlight = on;
}

void SetAnnotationHighlightOfSlots1To4(TAnnLabelParams& records, bool on) {
    for (int n = 1; n <= 4; ++n) AnnotationRecord(records, n).MarkHighlight = on;
}

void SetAnnotationHighlightOfSlots3To4(TAnnLabelParams& records, bool on) {
    for (int n = 3; n <= 4; ++n) AnnotationRecord(records, n).MarkHighlight = on;
}

}  // namespace vt
