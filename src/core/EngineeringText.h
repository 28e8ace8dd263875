#pragma once
// Values as readouts and setting texts show them: significant digits and an engineering prefix.
#include <string>

namespace vt {

// Engineering text of a value: " 0 " below 1e-15, "  Undefined" for the undefined marker, "%d " for
// integers, else `digits` significant digits in plain or exponent form by mode (0 plain; 1 plain from
// magnitude 1 up; 2 plain below magnitude 1; else exponent), an exponent from -15 to 14 replaced by a
// blank and a prefix ("f" … "m", "", "k", "M" or "MEG" when exact, "G", "T").
std::string FloatToEngStr(int mode, int digits, bool isInteger, bool exact, double value);

}  // namespace vt
