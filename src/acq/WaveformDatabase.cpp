#include "acq/WaveformDatabase.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace vt {

namespace {

constexpr int SourceCount = 14;

void PutU32(char* out, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) out[b] = static_cast<char>((v >> (8 * b)) & 0xFF);
}

void PutF64(char* out, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int b = 0; b < 8; ++b) out[b] = static_cast<char>((bits >> (8 * b)) & 0xFF);
}

std::uint32_t GetU32(const char* in) {
    std::uint32_t v = 0;
    for (int b = 0; b < 4; ++b) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[b])) << (8 * b);
    return v;
}

double GetF64(const char* in) {
    std::uint64_t v = 0;
    for (int b = 0; b < 8; ++b) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[b])) << (8 * b);
    return std::bit_cast<double>(v);
}

}  // namespace

void TWaveDatabase::Start(int source, double vertOffset, double vertScale) {
    Flag = 1;
    Source = static_cast<std::uint8_t>(source);
    VertOffset = vertOffset;
    VertScale = vertScale;
    Count = 0;
    std::fill(Hits_.begin(), Hits_.end(), 0);
}

void TWaveDatabase::Add(int length) {
    ++Count;
    // Row = length: inside the grid for every record length (at most 4096 points).
    const int row = std::clamp(length, 0, MaxRow);
    for (int c = FirstAddColumn; c <= LastAddColumn; ++c) ++Hits_[HitIndex(c, row)];
}

std::string TWaveDatabase::Serialize() const {
    std::string out(FileBytes, '\0');
    out[0] = static_cast<char>(Flag);
    out[1] = static_cast<char>(Source);
    std::copy(Reserved.begin(), Reserved.end(), out.begin() + 2);
    PutF64(out.data() + 60, VertOffset);
    PutF64(out.data() + 68, VertScale);
    PutU32(out.data() + 76, static_cast<std::uint32_t>(Count));
    char* hits = out.data() + HitsOffset;
    for (std::size_t i = 0; i < Hits_.size(); ++i) PutU32(hits + 4 * i, static_cast<std::uint32_t>(Hits_[i]));
    return out;
}

bool TWaveDatabase::Parse(std::string_view bytes) {
    if (bytes.size() < FileBytes) return false;
    const auto source = static_cast<std::uint8_t>(bytes[1]);
    const double offset = GetF64(bytes.data() + 60);
    const double scale = GetF64(bytes.data() + 68);
    if (source >= SourceCount || !std::isfinite(offset) || !std::isfinite(scale)) return false;
    Flag = static_cast<std::uint8_t>(bytes[0]);
    Source = source;
    for (std::size_t i = 0; i < Reserved.size(); ++i) Reserved[i] = static_cast<std::uint8_t>(bytes[2 + i]);
    VertOffset = offset;
    VertScale = scale;
    Count = static_cast<std::int32_t>(GetU32(bytes.data() + 76));
    HorScale = 0;
    HorUnit.clear();
    VertUnit.clear();
    const char* hits = bytes.data() + HitsOffset;
    for (std::size_t i = 0; i < Hits_.size(); ++i) Hits_[i] = static_cast<std::int32_t>(GetU32(hits + 4 * i));
    return true;
}

}  // namespace vt
