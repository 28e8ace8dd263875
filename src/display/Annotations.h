#pragma once
// Annotation records: what a feature wants explained on the screen (a labelled arrow, tick or line at
// a place on a trace). A feature owns an array of 8 records, numbered 1 to 8, and changes them only
// through the record operations below; the annotation layers draw them.
#include <array>
#include <cstdint>
#include <string>

namespace vt {

struct TAnnLabelParam {
    std::uint8_t Kind = 0;  // 0 none, 1 drawn on annotation layer 1, 2 on layer 2
    bool Shown = false;
    std::uint8_t Source = 0;
    std::int32_t X = 0;   // screen units 0..4000
    std::int32_t Y = 0;   // screen units 0..1024 from the bottom
    std::int32_t X2 = 0;  // the second x (shape 5)
    bool MarkHighlight = false;
    std::string Text;
    std::uint8_t Shape = 0;  // 0..7
    bool LabelHighlight = false;
};

inline constexpr int AnnotationRecordCount = 8;
using TAnnLabelParams = std::array<TAnnLabelParam, AnnotationRecordCount>;

// The process-wide bookkeeping of the annotations on screen.
struct TAnnotationState {
    std::uint8_t UsedSlots = 0;  // the highest record number defined since the last clear
    std::uint8_t Owner = 0;      // 0 none; each feature sets its own code
    std::int32_t AnnotatedMeas = -1;
};

// Record n (1..8) of the array; an internal error outside.
TAnnLabelParam& AnnotationRecord(TAnnLabelParams& records, int n);
const TAnnLabelParam& AnnotationRecord(const TAnnLabelParams& records, int n);

// Kind 1 (point) or 2 (level), shown, with the source, label highlight, text and shape; the used-slot
// count rises to n.
void DefinePointAnnotation(TAnnLabelParams& records, TAnnotationState& state, int n, int source, bool labelHighlight,
                           const std::string& text, int shape);
void DefineLevelAnnotation(TAnnLabelParams& records, TAnnotationState& state, int n, int source, bool labelHighlight,
                           const std::string& text, int shape);
void SetAnnotationX(TAnnLabelParams& records, int n, std::int32_t x);
void SetAnnotationY(TAnnLabelParams& records, int n, std::int32_t y);
void SetAnnotationX2(TAnnLabelParams& records, int n, std::int32_t x2);
std::int32_t GetAnnotationX(const TAnnLabelParams& records, int n);
std::int32_t GetAnnotationY(const TAnnLabelParams& records, int n);
std::int32_t GetAnnotationX2(const TAnnLabelParams& records, int n);
void SetAnnotationPoint(TAnnLabelParams& records, int n, std::int32_t x, std::int32_t y);
// x, y and x2 of record from into record n.
void CopyAnnotationPoint(TAnnLabelParams& records, int n, int from);
void SetAnnotationText(TAnnLabelParams& records, int n, const std::string& text);
// The text, followed by " (k)" when k is above 1.
void SetAnnotationTextNumbered(TAnnLabelParams& records, int n, const std::string& text, int k);
void SetAnnotationVisible(TAnnLabelParams& records, int n, bool shown);
// Records 1 to the used-slot count.
void SetAllAnnotationsVisible(TAnnLabelParams& records, const TAnnotationState& state, bool shown);
void SetAnnotationHighlight(TAnnLabelParams& records, int n, bool on);
void SetAnnotationHighlightOfSlots1To4(TAnnLabelParams& records, bool on);
void SetAnnotationHighlightOfSlots3To4(TAnnLabelParams& records, bool on);

}  // namespace vt
