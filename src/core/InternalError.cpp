#include "core/InternalError.h"

namespace vt {

namespace {
std::string Describe(std::string_view message, std::string_view unit, int line) {
    std::string s(message);
    s += " (";
    s += unit;
    s += ", line ";
    s += std::to_string(line);
    s += ")";
    return s;
}
}  // namespace

EInternalError::EInternalError(std::string_view message, std::string_view unit, int line)
    : std::runtime_error(Describe(message, unit, line)), Message_(message), Unit_(unit), Line_(line) {}

void RaiseInternalError(std::string_view message, std::string_view unit, int line) {
    throw EInternalError(message, unit, line);
}

}  // namespace vt
