#pragma once
// What the display keeps of the annotations on screen, one per display: the records in use, the
// feature that placed them and the measurement they explain.
#include <cstdint>

namespace vt {

struct TAnnotationState {
    std::uint8_t UsedSlots = 0;       // the highest record number defined since the last clear
    std::int8_t Owner = 0;            // 0 none; each feature sets its own code
    std::int32_t AnnotatedMeas = -1;  // the measurement whose annotations are shown, -1 none
};

}  // namespace vt
