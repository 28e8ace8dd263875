#include "acq/PatternLengthList.h"

#include <algorithm>
#include <sstream>

#include "core/TextFiles.h"

namespace vt {

int LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 0x7FFFFFFF) return 0x7FFFFFFF;  // far beyond any length: saturate rather than wrap
    }
    return static_cast<int>(v);
}

std::vector<int> ReadPatternLengthList(const std::filesystem::path& file) {
    std::string text;
    try {
        text = ReadFileBytes(file);
    } catch (const EFileError&) {
        return {};
    }
    std::vector<int> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (static_cast<int>(values.size()) >= MaxPatternLengths) return {};
        values.push_back(LeadingNumber(line));
    }
    return values;
}

void WritePatternLengthList(const std::filesystem::path& file, std::vector<int> values) {
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    std::string text;
    for (int v : values) text += std::to_string(v) + "\n";
    WriteFileAtomic(file, text);
}

namespace {

// k when n is 2^k - 1 (minusOne) or 2^k for k = 7..15; 0 otherwise.
int PowerOfTwo(int n, bool& minusOne) {
    for (int k = 7; k <= 15; ++k) {
        if (n == (1 << k) - 1) return minusOne = true, k;
        if (n == (1 << k)) return minusOne = false, k;
    }
    return 0;
}

bool TypedLength(std::string_view typed, int& n) {
    n = LeadingNumber(typed);
    return n >= 31 && n <= 65535;
}

}  // namespace

std::string TPatternLengthItems::ItemText(int length) {
    bool minusOne = false;
    const int k = PowerOfTwo(length, minusOne);
    std::string text = std::to_string(length);
    if (k > 0) text += "   (2^" + std::to_string(k) + (minusOne ? "-1)" : ")");
    return text;
}

TPatternLengthItems::TPatternLengthItems(const std::vector<int>& values) {
    for (int v : values) Insert(v, ItemText(v));
    Changed_ = false;
}

void TPatternLengthItems::Insert(int length, std::string text) {
    auto at = std::lower_bound(Items_.begin(), Items_.end(), length,
                               [](const std::string& item, int n) { return LeadingNumber(item) < n; });
    if (at != Items_.end() && LeadingNumber(*at) == length) return;
    if (Full()) return;
    Items_.insert(at, std::move(text));
    Changed_ = true;
}

bool TPatternLengthItems::CanAdd(std::string_view typed) const {
    int n = 0;
    if (!TypedLength(typed, n) || Full()) return false;
    return std::none_of(Items_.begin(), Items_.end(), [n](const std::string& item) { return LeadingNumber(item) == n; });
}

std::string TPatternLengthItems::Add(std::string_view typed) {
    int n = 0;
    if (!TypedLength(typed, n)) return "PattLMustBe31to65535";
    Insert(n, ItemText(n));
    return "";
}

void TPatternLengthItems::AddTypical() {
    for (int k = 7; k <= 15; ++k) {
        const std::string power = "    (2^" + std::to_string(k);
        Insert((1 << k) - 1, std::to_string((1 << k) - 1) + power + "-1)");
        Insert(1 << k, std::to_string(1 << k) + power + ")");
    }
}

int TPatternLengthItems::Delete(int index) {
    if (index < 0 || index >= static_cast<int>(Items_.size())) return Items_.empty() ? -1 : index;
    Items_.erase(Items_.begin() + index);
    Changed_ = true;
    if (Items_.empty()) return -1;
    return std::min(index, static_cast<int>(Items_.size()) - 1);
}

void TPatternLengthItems::DeleteAll() {
    Items_.clear();
    Changed_ = true;
}

std::vector<int> TPatternLengthItems::Values() const {
    std::vector<int> values;
    for (const std::string& item : Items_) values.push_back(LeadingNumber(item));
    return values;
}

}  // namespace vt
