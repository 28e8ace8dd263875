#pragma once
// The numbers of a list reply (WFM:DATA? and the like): separated by commas, blanks or line breaks.
#include <string>
#include <vector>

namespace vt::test {

inline std::vector<double> ReplyNumbers(const std::string& reply) {
    const auto separator = [](char c) { return c == ',' || c == ' ' || c == '\r' || c == '\n'; };
    std::vector<double> v;
    std::size_t at = 0;
    while (at < reply.size() && separator(reply[at])) ++at;
    while (at < reply.size()) {
        std::size_t used = 0;
        v.push_back(std::stod(reply.substr(at), &used));
        at += used;
        while (at < reply.size() && separator(reply[at])) ++at;
    }
    return v;
}

}  // namespace vt::test
