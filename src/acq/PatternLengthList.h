#pragma once
// The user's list of pattern lengths that the pattern-trigger search tries in turn: kept as text, one
// decimal number per line, in "~PatternLentgth.lst" in the data root (the name is spelled as stored
// files have it). The list dialog edits it through TPatternLengthItems.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

inline constexpr int MaxPatternLengths = 1025;
inline constexpr const char* PatternLengthListFile = "~PatternLentgth.lst";

// The value of the leading decimal digits after leading blanks; 0 when there are none.
int LeadingNumber(std::string_view text);

// The list in the file's order; empty when the file is missing, unreadable or longer than the limit.
std::vector<int> ReadPatternLengthList(const std::filesystem::path& file);
// One number per line, ascending, without duplicates. Raises EFileError.
void WritePatternLengthList(const std::filesystem::path& file, std::vector<int> values);

// The items of the list dialog: texts in ascending order of their leading number.
class TPatternLengthItems {
public:
    // "127   (2^7-1)", "128   (2^7)", "100".
    static std::string ItemText(int length);

    explicit TPatternLengthItems(const std::vector<int>& values);

    const std::vector<std::string>& Items() const { return Items_; }
    bool Changed() const { return Changed_; }
    void ClearChanged() { Changed_ = false; }
    bool Full() const { return static_cast<int>(Items_.size()) >= MaxPatternLengths; }

    // A typed number the list may take: 31..65535, not in the list yet, room left.
    bool CanAdd(std::string_view typed) const;
    // Adds the typed number; answers the language key of the refusal, or "" when added (or present).
    std::string Add(std::string_view typed);
    // 2^k - 1 and 2^k for k = 7..15, as far as there is room.
    void AddTypical();
    // Removes an item; answers the item then selected (the same position, else the last; -1: none).
    int Delete(int index);
    void DeleteAll();
    // The leading numbers, as the file stores them.
    std::vector<int> Values() const;

private:
    void Insert(int length, std::string text);

    std::vector<std::string> Items_;
    bool Changed_ = false;
};

}  // namespace vt
