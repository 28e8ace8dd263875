#pragma once
// Internal invariants: a broken one throws an exception that names the unit and the line.
#include <stdexcept>
#include <string>
#include <string_view>

namespace vt {

class EInternalError : public std::runtime_error {
public:
    EInternalError(std::string_view message, std::string_view unit, int line);
    const std::string& Message() const { return Message_; }
    const std::string& Unit() const { return Unit_; }
    int Line() const { return Line_; }

private:
    std::string Message_;
    std::string Unit_;
    int Line_;
};

[[noreturn]] void RaiseInternalError(std::string_view message, std::string_view unit, int line);

}  // namespace vt

// VT_INTERNAL_ERROR("_SHELL\\SRC\\Undina", "Incorrect Index")
#define VT_INTERNAL_ERROR(unit, message) ::vt::RaiseInternalError((message), (unit), __LINE__)
