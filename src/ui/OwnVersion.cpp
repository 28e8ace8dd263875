#include "ui/OwnVersion.h"

#include <vector>

namespace vt {

std::string FourPartVersion(std::string_view version) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (parts.size() < 4) {
        const std::size_t dot = version.find('.', start);
        parts.push_back(version.substr(start, dot == std::string_view::npos ? dot : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    std::string out;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) out += '.';
        out += i < parts.size() && !parts[i].empty() ? parts[i] : std::string_view("0");
    }
    return out;
}

std::string GetOwnFileVersion() { return FourPartVersion(VT_VERSION); }

}  // namespace vt
