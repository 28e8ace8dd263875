#pragma once
// Annotation records: a feature that explains its measurements on the screen keeps 8 of them,
// numbered 1 to 8, and hands a copy to the annotation layers to draw. The operations below change one
// record (or all in use) of such an array; the count of records in use, the code of the feature whose
// annotations are on screen and the measurement they belong to live with the display services.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "display/AnnotationState.h"

namespace vt {

inline constexpr std::string_view AnnotationLayerUnitName = "_SHELL\\SRC\\AnnotationLayerUnit";
inline constexpr int AnnotationRecordCount = 8;

struct TAnnLabelParam {
    std::uint8_t Kind = 0;  // 0 none, 1 drawn on annotation layer 1, 2 on layer 2
    bool Shown = false;
    std::uint8_t Source = 0;
    std::int32_t X = 0;  // screen units 0..4000
    std::int32_t Y = 0;  // screen units 0..1024 from the bottom
    std::int32_t X2 = 0;
    bool MarkHighlight = false;  // marks in colour code 1 instead of 3
    std::string Text;
    std::uint8_t Shape = 0;  // 0..7
    bool LabelHighlight = false;  // label text in colour code 2 instead of 3
    bool operator==(const TAnnLabelParam&) const = default;
};

// Eight records numbered 1 to 8; another number is an internal error. Copied by value.
class TAnnLabelArray {
public:
    TAnnLabelParam& operator[](int n);
    const TAnnLabelParam& operator[](int n) const;
    bool operator==(const TAnnLabelArray&) const = default;

private:
    std::array<TAnnLabelParam, AnnotationRecordCount> Records_{};
};

void DefinePointAnnotation(TAnnotationState& state, TAnnLabelArray& a, int n, int source, bool labelHighlight,
                           const std::string& text, int shape);
void DefineLevelAnnotation(TAnnotationState& state, TAnnLabelArray& a, int n, int source, bool labelHighlight,
                           const std::string& text, int shape);
void SetAnnotationX(TAnnLabelArray& a, int n, int x);
void SetAnnotationY(TAnnLabelArray& a, int n, int y);
void SetAnnotationX2(TAnnLabelArray& a, int n, int x2);
int GetAnnotationX(const TAnnLabelArray& a, int n);
int GetAnnotationY(const TAnnLabelArray& a, int n);
int GetAnnotationX2(const TAnnLabelArray& a, int n);
void SetAnnotationPoint(TAnnLabelArray& a, int n, int x, int y);
void CopyAnnotationPoint(TAnnLabelArray& a, int n, int from);
void SetAnnotationText(TAnnLabelArray& a, int n, const std::string& text);
// Above 1, k is appended as " (k)".
void SetAnnotationTextNumbered(TAnnLabelArray& a, int n, const std::string& text, int k);
void SetAnnotationVisible(TAnnLabelArray& a, int n, bool flag);
void SetAllAnnotationsVisible(const TAnnotationState& state, TAnnLabelArray& a, bool flag);
void SetAnnotationHighlight(TAnnLabelArray& a, int n, bool flag);
void SetAnnotationHighlightOfSlots1To4(TAnnLabelArray& a, bool flag);
void SetAnnotationHighlightOfSlots3To4(TAnnLabelArray& a, bool flag);

}  // namespace vt
