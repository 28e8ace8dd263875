#include "display/Annotations.h"

#include <algorithm>

#include "core/InternalError.h"

namespace vt {

namespace {
std::size_t Index(int n) {
    if (n < 1 || n > AnnotationRecordCount) VT_INTERNAL_ERROR(AnnotationLayerUnitName, "Range check error");
    return static_cast<std::size_t>(n - 1);
}

void Define(TAnnotationState& state, TAnnLabelArray& a, int n, int kind, int source, bool labelHighlight,
            const std::string& text, int shape) {
    TAnnLabelParam& r = a[n];
    r.Kind = static_cast<std::uint8_t>(kind);
    r.Shown = true;
    r.Source = static_cast<std::uint8_t>(source);
    r.LabelHighlight = labelHighlight;
    r.Text = text;
    r.Shape = static_cast<std::uint8_t>(shape);
    if (state.UsedSlots < n) state.UsedSlots = static_cast<std::uint8_t>(n);
}
}  // namespace

TAnnLabelParam& TAnnLabelArray::operator[](int n) { return Records_[Index(n)]; }
const TAnnLabelParam& TAnnLabelArray::operator[](int n) const { return Records_[Index(n)]; }

void DefinePointAnnotation(TAnnotationState& state, TAnnLabelArray& a, int n, int source, bool labelHighlight,
                           const std::string& text, int shape) {
    Define(state, a, n, 1, source, labelHighlight, text, shape);
}

void DefineLevelAnnotation(TAnnotationState& state, TAnnLabelArray& a, int n, int source, bool labelHighlight,
                           const std::string& text, int shape) {
    Define(state, a, n, 2, source, labelHighlight, text, shape);
}

void SetAnnotationX(TAnnLabelArray& a, int n, int x) { a[n].X = x; }
void SetAnnotationY(TAnnLabelArray& a, int n, int y) { a[n].Y = y; }
void SetAnnotationX2(TAnnLabelArray& a, int n, int x2) { a[n].X2 = x2; }
int GetAnnotationX(const TAnnLabelArray& a, int n) { return a[n].X; }
int GetAnnotationY(const TAnnLabelArray& a, int n) { return a[n].Y; }
int GetAnnotationX2(const TAnnLabelArray& a, int n) { return a[n].X2; }

void SetAnnotationPoint(TAnnLabelArray& a, int n, int x, int y) {
    a[n].X = x;
    a[n].Y = y;
}

void CopyAnnotationPoint(TAnnLabelArray& a, int n, int from) {
    const TAnnLabelParam source = a[from];
    a[n].X = source.X;
    a[n].Y = source.Y;
    a[n].X2 = source.X2;
}

void SetAnnotationText(TAnnLabelArray& a, int n, const std::string& text) { a[n].Text = text; }

void SetAnnotationTextNumbered(TAnnLabelArray& a, int n, const std::string& text, int k) {
    a[n].Text = k > 1 ? text + " (" + std::to_string(k) + ")" : text;
}

void SetAnnotationVisible(TAnnLabelArray& a, int n, bool flag) { a[n].Shown = flag; }

void SetAllAnnotationsVisible(const TAnnotationState& state, TAnnLabelArray& a, bool flag) {
    for (int n = 1; n <= std::min<int>(state.UsedSlots, AnnotationRecordCount); ++n) a[n].Shown = flag;
}

void SetAnnotationHighlight(TAnnLabelArray& a, int n, bool flag) { a[n].MarkHighlight = flag; }

void SetAnnotationHighlightOfSlots1To4(TAnnLabelArray& a, bool flag) {
    for (int n = 1; n <= 4; ++n) a[n].MarkHighlight = flag;
}

void SetAnnotationHighlightOfSlots3To4(TAnnLabelArray& a, bool flag) {
    for (int n = 3; n <= 4; ++n) a[n].MarkHighlight = flag;
}

}  // namespace vt
