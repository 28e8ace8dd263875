#pragma once
// The waveform database record: the exact image of a ".cgs" file, a header and a grid of hit counters,
// serialised field by field (little-endian; the doubles at offsets 60 and 68 are unaligned).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

class TWaveDatabase {
public:
    static constexpr int Columns = 4001;   // 0..4000
    static constexpr int Rows = 1023;      // 1..1023
    static constexpr std::size_t HitsOffset = 80;
    static constexpr std::size_t FileBytes = HitsOffset + std::size_t{Columns} * Rows * 4;  // 16,372,172
    // The columns and the row range the cycle counts into.
    static constexpr int FirstAddColumn = 1;
    static constexpr int LastAddColumn = 500;
    static constexpr int MaxRow = 4096;

    TWaveDatabase() : Hits_(static_cast<std::size_t>(Columns) * Rows) {}

    std::uint8_t Flag = 0;
    std::uint8_t Source = 0;
    std::array<std::uint8_t, 58> Reserved{};
    double VertOffset = 0;
    double VertScale = 0;
    std::int32_t Count = 0;
    // The source record's horizontal scale per division and units at creation. The file has no room
    // for them: a parsed record has none (0 and empty) until its loader knows them.
    double HorScale = 0;
    std::string HorUnit;
    std::string VertUnit;

    // The counter of column c and row r lies at HitsOffset + (c * Rows + r - 1) * 4.
    static std::size_t HitIndex(int column, int row) {
        return static_cast<std::size_t>(column) * Rows + static_cast<std::size_t>(row) - 1;
    }
    std::int32_t Hit(int column, int row) const { return Hits_[HitIndex(column, row)]; }

    // A new database on a source: every counter 0.
    void Start(int source, double vertOffset, double vertScale);
    // One acquisition of a record of this many points: each add column counts in the row of the length.
    void Add(int length);

    std::string Serialize() const;
    // False, the record unchanged, unless the bytes hold one whole record with a source 0..13 and
    // finite scales; bytes after the record are ignored.
    bool Parse(std::string_view bytes);

private:
    std::vector<std::int32_t> Hits_;
};

}  // namespace vt
