// The three file forms of a signal record: binary ".wfm" (field by field, little-endian, units as
// UTF-16 LE), verbose text ".txt" and values-only text ".txty" (both UTF-8, lines ended by CR LF).
#include "acq/WaveformFiles.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

#include "acq/SignalObj.h"
#include "core/TextHelpers.h"
#include "core/TextFiles.h"

namespace vt {

namespace {

constexpr int MaxFftWindow = 5;    // the FFT windows 0..5
constexpr int UnitFieldChars = 32;  // 64 bytes: at most 31 characters and a terminating zero

constexpr std::string_view TextTitle = "This is text form of saved Waveform";
constexpr std::string_view LengthSuffix = "                        (Record Length)";
constexpr std::string_view HorUnitSuffix = "                         (Dimension of horizontal axes)";
constexpr std::string_view OriginSuffix = "        (Shift of the first horizontal point)";
constexpr std::string_view IntervalSuffix = "        (Sample interval)";
constexpr std::string_view VertUnitSuffix = "                         (Dimension of vertical axes)";
constexpr std::string_view ScaleSuffix = "        (Vertical Scale per division)";
constexpr std::string_view OffsetSuffix = "        (Vertical offset)";
constexpr std::string_view PointsTitle = "(The following date points are showed in their real value)";
constexpr std::string_view WindowPrefix = "Window: ";
constexpr std::string_view Eol = "\r\n";

// --- binary writing

void PutU8(std::string& out, unsigned v) { out.push_back(static_cast<char>(v & 0xFF)); }

void PutU16(std::string& out, unsigned v) {
    PutU8(out, v);
    PutU8(out, v >> 8);
}

void PutF64(std::string& out, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    for (int b = 0; b < 8; ++b) PutU8(out, static_cast<unsigned>(bits >> (8 * b)));
}

void PutUnit(std::string& out, const std::string& unit) {
    std::u16string text = Utf8ToUtf16(unit);
    std::size_t n = std::min<std::size_t>(text.size(), UnitFieldChars - 1);
    // Never keep half of a surrogate pair.
    if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    text.resize(n);
    char16_t field[UnitFieldChars];
    StrToWideBuf(field, UnitFieldChars - 1, text);
    for (char16_t c : field) PutU16(out, c);
}

// --- binary reading

class TByteReader {
public:
    explicit TByteReader(std::string_view bytes) : Bytes_(bytes) {}
    bool AtEnd() const { return Pos_ == Bytes_.size(); }

    bool U8(std::uint8_t& v) {
        if (Bytes_.size() - Pos_ < 1) return false;
        v = static_cast<std::uint8_t>(Bytes_[Pos_++]);
        return true;
    }
    bool U16(std::uint16_t& v) {
        std::uint8_t lo = 0, hi = 0;
        if (Bytes_.size() - Pos_ < 2) return false;
        U8(lo);
        U8(hi);
        v = static_cast<std::uint16_t>(lo | (hi << 8));
        return true;
    }
    bool F64(double& v) {
        if (Bytes_.size() - Pos_ < 8) return false;
        std::uint64_t bits = 0;
        for (int b = 0; b < 8; ++b)
            bits |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(Bytes_[Pos_ + b])) << (8 * b);
        Pos_ += 8;
        v = std::bit_cast<double>(bits);
        return std::isfinite(v);  // a record never holds an infinite or undefined value
    }
    bool Bool(bool& v) {
        std::uint8_t b = 0;
        if (!U8(b) || b > 1) return false;
        v = b != 0;
        return true;
    }
    // A unit field ends at its first zero code unit and never reaches past its 64 bytes.
    bool Unit(std::string& unit) {
        if (Bytes_.size() - Pos_ < 2 * UnitFieldChars) return false;
        std::u16string text;
        for (int i = 0; i < UnitFieldChars; ++i) {
            std::uint16_t c = 0;
            U16(c);
            if (c == 0) {
                Pos_ += 2 * (UnitFieldChars - 1 - i);
                break;
            }
            text.push_back(static_cast<char16_t>(c));
        }
        unit = Utf16ToUtf8(text);
        return true;
    }

private:
    std::string_view Bytes_;
    std::size_t Pos_ = 0;
};

// --- text reading

class TLineReader {
public:
    explicit TLineReader(std::string_view text) : Text_(text) {}
    std::optional<std::string_view> Next() {
        if (Pos_ >= Text_.size()) return std::nullopt;
        std::size_t end = Text_.find('\n', Pos_);
        if (end == std::string_view::npos) end = Text_.size();
        std::string_view line = Text_.substr(Pos_, end - Pos_);
        Pos_ = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

private:
    std::string_view Text_;
    std::size_t Pos_ = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Takes the next blank-separated word off the front of s.
std::string_view NextWord(std::string_view& s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    std::size_t n = 0;
    while (n < s.size() && !IsBlank(s[n])) ++n;
    std::string_view word = s.substr(0, n);
    s.remove_prefix(n);
    return word;
}

bool NextNumber(std::string_view& s, double& v) {
    std::string_view word = NextWord(s);
    if (word.size() > 1 && word.front() == '+' && word[1] != '-') word.remove_prefix(1);
    if (word.empty()) return false;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    return ec == std::errc() && end == word.data() + word.size() && std::isfinite(v);
}

bool NextInteger(std::string_view& s, int& v) {
    std::string_view word = NextWord(s);
    if (word.empty()) return false;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
    return ec == std::errc() && end == word.data() + word.size();
}

// A unit line holds the unit and a fixed comment. Taking away the comment keeps an empty unit empty
// (its first word would be the comment); a line without the comment gives its first word.
std::string UnitOfLine(std::string_view line, std::string_view suffix) {
    if (line.size() >= suffix.size() && line.substr(line.size() - suffix.size()) == suffix)
        return std::string(TrimWhite(line.substr(0, line.size() - suffix.size())));
    return std::string(NextWord(line));
}

// Right-aligns in `width` characters (not bytes: "µs" is two characters).
std::string PadLeft(std::string_view s, std::size_t width) {
    const auto chars = static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    std::string r;
    if (chars < width) r.assign(width - chars, ' ');
    r += s;
    return r;
}

}  // namespace

std::string FloatToTextWidth(double value, int width) {
    std::string text;
    if (std::isnan(value)) {
        text = " NaN";
    } else if (std::isinf(value)) {
        text = value > 0 ? " Inf" : "-Inf";
    } else {
        const int decimals = std::clamp(width - 9, 1, 17);
        char buf[64];
        const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                                       decimals);
        std::string_view s(buf, static_cast<std::size_t>(res.ptr - buf));
        const std::size_t e = s.find('e');
        text.reserve(static_cast<std::size_t>(decimals) + 9);
        text += std::signbit(value) ? '-' : ' ';
        text += s.substr(0, e);
        text += 'E';
        text += s[e + 1];  // exponent sign
        const std::string_view digits = s.substr(e + 2);
        if (digits.size() < 4) text.append(4 - digits.size(), '0');
        text += digits;
    }
    return PadLeft(text, static_cast<std::size_t>(std::max(width, 0)));
}

std::string TSignalObj::BinaryImage() const {
    std::string out;
    const int points = IsSpectrum_ ? 2 * Length_ : Length_;
    out.reserve(3 + 8 * static_cast<std::size_t>(points) + 187);
    PutU16(out, Length_);
    PutU8(out, IsSpectrum_ ? 1 : 0);
    for (int i = 0; i < Length_; ++i) PutF64(out, Data1_[i]);
    if (IsSpectrum_)
        for (int i = 0; i < Length_; ++i) PutF64(out, Data2_[i]);
    PutUnit(out, HorUnit_);
    PutF64(out, Origin_);
    PutF64(out, SampleInterval_);
    PutUnit(out, VertUnit_);
    PutF64(out, VertOffset_);
    PutF64(out, VertScale_);
    PutU8(out, Window_);
    PutF64(out, Dielectric_);
    PutU8(out, TdrUnit_);
    PutF64(out, TdrScale_);
    PutF64(out, TdrOffset_);
    PutU8(out, Raw_ ? 1 : 0);
    return out;
}

bool TSignalObj::LoadBinaryImage(std::string_view bytes) {
    // Read into a copy: a short, long or damaged file leaves this record as it was.
    TSignalObj r = *this;
    TByteReader in(bytes);
    std::uint16_t length = 0;
    if (!in.U16(length) || length < MinFilePoints || length > MaxSignalPoints) return false;
    r.Length_ = length;
    if (!in.Bool(r.IsSpectrum_)) return false;
    for (int i = 0; i < length; ++i)
        if (!in.F64(r.Data1_[i])) return false;
    if (r.IsSpectrum_)
        for (int i = 0; i < length; ++i)
            if (!in.F64(r.Data2_[i])) return false;
    const bool ok = in.Unit(r.HorUnit_) && in.F64(r.Origin_) && in.F64(r.SampleInterval_) &&
                    in.Unit(r.VertUnit_) && in.F64(r.VertOffset_) && in.F64(r.VertScale_) &&
                    in.U8(r.Window_) && in.F64(r.Dielectric_) && in.U8(r.TdrUnit_) && in.F64(r.TdrScale_) &&
                    in.F64(r.TdrOffset_) && in.Bool(r.Raw_);
    // Enumerated bytes outside their values make the file damaged, as an invalid flag does.
    if (!ok || !in.AtEnd() || r.Window_ > MaxFftWindow || r.TdrUnit_ > tdrNoUnit) return false;
    *this = std::move(r);
    return true;
}

std::string TSignalObj::TextImage(bool valuesOnly) const {
    std::string out;
    out.reserve(static_cast<std::size_t>(Length_) * (IsSpectrum_ ? 62 : 32) + 600);
    if (!valuesOnly) {
        auto line = [&out](std::string_view a, std::string_view b = {}) {
            out += a;
            out += b;
            out += Eol;
        };
        line(TextTitle);
        line(Name_);
        line(PadLeft(std::to_string(Length_), 4), LengthSuffix);
        line(IsSpectrum_ ? "Spectrum" : "Waveform");
        if (IsSpectrum_)
            line(WindowPrefix, FftWindowName(Window_));
        else
            line({});
        line(PadLeft(HorUnit_, 3), HorUnitSuffix);
        line(FloatToTextWidth(Origin_, 23), OriginSuffix);
        line(FloatToTextWidth(SampleInterval_, 20), IntervalSuffix);
        line(GetVertUnit(), VertUnitSuffix);
        line(FloatToTextWidth(VertScale_, 20), ScaleSuffix);
        line(FloatToTextWidth(VertOffset_, 20), OffsetSuffix);
        line({});
        line(PointsTitle);
    }
    for (int i = 0; i < Length_; ++i) {
        out += FloatToTextWidth(GetPoint(i), 30);
        if (IsSpectrum_) out += FloatToTextWidth(Data2_[i], 30);
        out += Eol;
    }
    return out;
}

bool TSignalObj::LoadTextImage(std::string_view text) {
    TSignalObj r = *this;
    TLineReader in(text);
    auto line = in.Next();
    if (!line || *line != TextTitle) return false;
    if (!in.Next()) return false;  // the name stays the record's own

    int length = 0;
    if (!(line = in.Next())) return false;
    std::string_view rest = *line;
    if (!NextInteger(rest, length) || length < MinFilePoints || length > MaxSignalPoints) return false;
    r.Length_ = static_cast<std::uint16_t>(length);

    if (!(line = in.Next())) return false;
    r.IsSpectrum_ = *line == "Spectrum";
    if (!(line = in.Next())) return false;
    if (r.IsSpectrum_ && line->size() >= WindowPrefix.size()) {
        const std::string_view name = line->substr(WindowPrefix.size());
        for (int w = 0; w <= MaxFftWindow; ++w)
            if (name == FftWindowName(w)) {
                r.Window_ = static_cast<std::uint8_t>(w);
                break;
            }
    }

    if (!(line = in.Next())) return false;
    r.HorUnit_ = UnitOfLine(*line, HorUnitSuffix);
    if (!(line = in.Next()) || !NextNumber(rest = *line, r.Origin_)) return false;
    if (!(line = in.Next()) || !NextNumber(rest = *line, r.SampleInterval_)) return false;
    if (!(line = in.Next())) return false;
    r.VertUnit_ = UnitOfLine(*line, VertUnitSuffix);
    if (!(line = in.Next()) || !NextNumber(rest = *line, r.VertScale_)) return false;
    if (!(line = in.Next()) || !NextNumber(rest = *line, r.VertOffset_)) return false;
    if (!in.Next() || !in.Next()) return false;

    // The file holds the values as shown, so a TDR record reads back as plain values in its unit.
    r.TdrUnit_ = tdrNone;
    for (int i = 0; i < length; ++i) {
        if (!(line = in.Next())) return false;
        rest = *line;
        if (!NextNumber(rest, r.Data1_[i])) return false;
        if (r.IsSpectrum_ && !NextNumber(rest, r.Data2_[i])) return false;
    }
    *this = std::move(r);
    return true;
}

bool TSignalObj::SaveBinary(const std::filesystem::path& file) const {
    if (Length_ < MinFilePoints) return false;  // could not be read back
    try {
        WriteFileAtomic(file, BinaryImage());
        return true;
    } catch (const EFileError&) {
        return false;
    }
}

bool TSignalObj::LoadBinary(const std::filesystem::path& file) {
    try {
        return LoadBinaryImage(ReadFileBytes(file));
    } catch (const EFileError&) {
        return false;
    }
}

bool TSignalObj::SaveText(const std::filesystem::path& file, bool valuesOnly) const {
    // Only the verbose form is read back, and only with 32 points or more.
    if (!valuesOnly && Length_ < MinFilePoints) return false;
    try {
        WriteFileAtomic(file, TextImage(valuesOnly));
        return true;
    } catch (const EFileError&) {
        return false;
    }
}

bool TSignalObj::LoadText(const std::filesystem::path& file) {
    try {
        return LoadTextImage(DecodeText(ReadFileBytes(file)));
    } catch (const EFileError&) {
        return false;
    }
}

}  // namespace vt
