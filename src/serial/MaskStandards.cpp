#include "serial/MaskStandards.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <fstream>
#include <sstream>
#include <system_error>

#include "core/BitRates.h"
#include "core/DotNumberText.h"
#include "core/EngineeringText.h"
#include "core/IniFiles.h"
#include "serial/MaskFiles.h"
#include "serial/ShippedMaskData.h"

namespace vt {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view Common = "COMMON";
constexpr double MaxValue = 1e6;  // "MAX"; "MIN" is its negative
// Text mask files above this size are no mask: 8 regions of 4,003 vertices fit well below it.
constexpr std::uintmax_t MaxTextMaskBytes = 4u << 20;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

char UpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = UpperChar(c);
    return u;
}

bool SameText(std::string_view a, std::string_view b) { return Upper(a) == Upper(b); }

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The entry of `folder` named `name` in any case, or `name` itself when there is none (written as spelled).
fs::path FindNoCase(const fs::path& folder, std::string_view name, bool directories = false) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const bool dir = it->is_directory(ec);
        if (dir == directories && SameText(it->path().filename().string(), name)) return it->path();
    }
    return folder / name;
}

// Writes an ini back where it can: a read-only or missing folder keeps the file as it was.
void WriteBack(const TMemIniFile_Dot& ini) {
    try {
        ini.UpdateFile();
    } catch (const std::exception&) {
    }
}

std::optional<std::string> ReadSmallFile(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > MaxTextMaskBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ReadNumber(std::string_view text, double& value) {
    return TryStrToFloatDot(Trim(text), value) && std::isfinite(value);
}

// ------------------------------------------------------------------------------------- text masks

constexpr std::string_view TextMaskId = "MASK_FILE_VLT500";
constexpr std::string_view PeriodKey = ":MTES:SCAL:XDEL ";
constexpr std::string_view RegionNumberMarker = "/* Region Number         */";
constexpr std::string_view RegionTypeMarker = "/* Region Type           */";
constexpr std::string_view VertexCountMarker = "/* Number of vertices    */";

enum TRegionRole { rrStd, rrMax, rrMin };

struct TTextRegion {
    int Number = 0;
    TRegionRole Role = rrStd;
    std::vector<TMaskVertex> Vertices;  // eye units; "MAX"/"MIN" as ±1e6
};

struct TTextMask {
    std::string Name;
    double BitPeriod = 0;
    std::vector<TTextRegion> Regions;
};

bool ReadTextVertex(std::string_view line, TMaskVertex& v) {
    if (!line.empty() && line.back() == ',') line.remove_suffix(1);
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || !ReadNumber(line.substr(0, comma), v.X)) return false;
    const std::string_view y = Trim(line.substr(comma + 1));
    if (SameText(y, "MAX")) v.Y = MaxValue;
    else if (SameText(y, "MIN")) v.Y = -MaxValue;
    else return ReadNumber(y, v.Y);
    return true;
}

bool ReadMarkedInt(std::string_view line, std::string_view marker, long long& value) {
    return StartsWith(line, marker) && TryStrToInt(Trim(line.substr(marker.size())), value);
}

// The whole text mask, checked: the identifying first line, a bit period above 0, complete regions
// of 1..4003 vertices numbered 1..8, margin regions matching the vertex count of their mask region,
// and a mask region 1. Anything else is no text mask.
std::optional<TTextMask> ParseTextMask(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = Trim(text.substr(start, end - start));
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty() || lines[0] != TextMaskId) return std::nullopt;
    TTextMask mask;
    bool period = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        long long number = 0;
        if (line.front() == '"') {
            mask.Name = std::string(line.substr(1, line.size() >= 2 ? line.size() - 2 : 0));
        } else if (StartsWith(line, PeriodKey)) {
            if (!ReadNumber(line.substr(PeriodKey.size()), mask.BitPeriod) || !(mask.BitPeriod > 0)) return std::nullopt;
            period = true;
        } else if (ReadMarkedInt(line, RegionNumberMarker, number)) {
            if (number < 1 || number > MaskPolygonSlots || i + 2 >= lines.size()) return std::nullopt;
            TTextRegion region;
            region.Number = static_cast<int>(number);
            const std::string_view type = lines[i + 1];
            if (!StartsWith(type, RegionTypeMarker)) return std::nullopt;
            const std::string_view role = Trim(type.substr(RegionTypeMarker.size()));
            if (role == "STD") region.Role = rrStd;
            else if (role == "MARGIN_MAX") region.Role = rrMax;
            else if (role == "MARGIN_MIN") region.Role = rrMin;
            else return std::nullopt;
            long long count = 0;
            if (!ReadMarkedInt(lines[i + 2], VertexCountMarker, count) || count < 1 || count > MaskFileMaxVertices ||
                i + 2 + static_cast<std::size_t>(count) >= lines.size())
                return std::nullopt;
            for (long long k = 1; k <= count; ++k) {
                TMaskVertex v;
                if (!ReadTextVertex(lines[i + 2 + static_cast<std::size_t>(k)], v)) return std::nullopt;
                region.Vertices.push_back(v);
            }
            i += 2 + static_cast<std::size_t>(count);
            mask.Regions.push_back(std::move(region));
        }
    }
    if (!period) return std::nullopt;
    const auto stdRegion = [&](int n) -> const TTextRegion* {
        for (const TTextRegion& r : mask.Regions)
            if (r.Number == n) return r.Role == rrStd ? &r : nullptr;
        return nullptr;
    };
    if (!stdRegion(1)) return std::nullopt;
    for (const TTextRegion& r : mask.Regions) {
        const TTextRegion* s = stdRegion(r.Number);
        if (r.Role != rrStd && (!s || s->Vertices.size() != r.Vertices.size())) return std::nullopt;
    }
    return mask;
}

// Stores a polygon given in eye units straight into a mask slot, in screen units.
void StoreEyePolygon(TCurrentMask& mask, int slot, const std::vector<TMaskVertex>& vertices, double left) {
    TMaskPolyRec& poly = mask.Polygons[static_cast<std::size_t>(slot)];
    poly.Count = static_cast<std::uint16_t>(vertices.size());
    poly.X.assign(vertices.size() + 1, -1);
    poly.Y.assign(vertices.size() + 1, -1);
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        poly.X[i] = std::clamp(vertices[i].X * 2400 + left, 1.0, 3999.0);
        poly.Y[i] = std::clamp((vertices[i].Y * 0.5 + 0.25) * 1024, 1.0, 1023.0);
    }
}

std::string BitRateText(double rate) { return FloatToEngStr(3, 6, false, false, rate) + "bps"; }

}  // namespace

// ------------------------------------------------------------------------------------- bit rates

std::optional<double> ParseBitRate(std::string_view text) {
    text = Trim(text);
    const std::size_t blank = text.find(' ');
    double value = 0;
    if (!ReadNumber(text.substr(0, blank), value)) return std::nullopt;
    if (blank != std::string_view::npos) {
        const std::string_view unit = Trim(text.substr(blank));
        switch (unit.empty() ? ' ' : UpperChar(unit.front())) {
            case 'G': value *= 1e9; break;
            case 'M': value *= 1e6; break;
            case 'K': value *= 1e3; break;
            case 'T': value *= 1e12; break;
            default: break;
        }
    }
    if (!(value > 0) || !std::isfinite(value)) return std::nullopt;
    return value;
}

int StdMaskHelpTopic(std::string_view path) {
    static constexpr std::pair<std::string_view, int> Topics[] = {
        {"SONET", 981},  {"Ethernet", 982}, {"Rapid IO", 980},    {"G.984", 980},
        {"Fiber Channel", 985}, {"G.703", 986}, {"PCI-Express", 980}, {"ANSI T1.102", 988}};
    for (const auto& [text, topic] : Topics)
        if (path.find(text) != std::string_view::npos) return topic;
    return 980;
}

// ----------------------------------------------------------------------------------- standards

bool TListOfStandards::Load(const std::string& standardsFolder, std::vector<std::string>* messages) {
    Root_ = standardsFolder;
    Items_.clear();
    WithMasks_ = 0;
    std::vector<std::string> folders;
    std::error_code ec;
    for (fs::directory_iterator it(Root_, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec)) folders.push_back(it->path().filename().string());
    std::sort(folders.begin(), folders.end());
    if (folders.size() > MaxStandards) folders.resize(MaxStandards);

    // Display order: the folders "RANGE" names first, then the rest by name.
    std::vector<std::string> ordered;
    try {
        const TMemIniFile_Dot range(FindNoCase(Root_, "StandardMasks.ini"));
        for (int i = 1;; ++i) {
            const std::string name = range.ReadString("RANGE", std::to_string(i), "Not Found");
            if (name == "Not Found") break;
            const auto it = std::find(folders.begin(), folders.end(), name);
            if (it == folders.end()) continue;
            ordered.push_back(*it);
            folders.erase(it);
        }
    } catch (const std::exception&) {
    }
    ordered.insert(ordered.end(), folders.begin(), folders.end());

    for (const std::string& folder : ordered) {
        TStandardRecord rec;
        rec.Folder = folder;
        const fs::path path = fs::path(Root_) / folder;
        TListOfMasksInCurrentStandard masks;
        std::vector<std::string> found;
        const bool hasMasks = masks.Load(path.string() + "/", true, &found);
        if (!hasMasks && messages)
            for (const std::string& m : found) messages->push_back(m + ": the standard " + folder + " is skipped");
        try {
            TMemIniFile_Dot ini(FindNoCase(path, "Standard.ini"));
            rec.Name = std::string(Trim(ini.ReadString(Common, "Standard Name", "")));
            if (rec.Name.empty()) {
                rec.Name = folder;
                ini.WriteString(Common, "Standard Name", folder);
                WriteBack(ini);
            }
        } catch (const std::exception&) {
            rec.Name = folder;
        }
        rec.Number = static_cast<std::int16_t>(hasMasks ? WithMasks_++ : -1);
        Items_.push_back(std::move(rec));
    }
    return WithMasks_ > 0;
}

std::string TListOfStandards::GetFolder(int i) const {
    return i >= 0 && i < Count() ? Items_[static_cast<std::size_t>(i)].Folder : std::string();
}

int TListOfStandards::GetNumber(int i) const {
    return i >= 0 && i < Count() ? Items_[static_cast<std::size_t>(i)].Number : -1;
}

std::string TListOfStandards::GetName(int i) const {
    return i >= 0 && i < Count() ? Items_[static_cast<std::size_t>(i)].Name : std::string();
}

int TListOfStandards::IndexOfNumber(int n) const {
    for (int i = 0; i < Count(); ++i)
        if (n >= 0 && Items_[static_cast<std::size_t>(i)].Number == n) return i;
    return NoStandardIndex;
}

std::string TListOfStandards::GetPath(int n) const {
    const int i = IndexOfNumber(n);
    if (i == NoStandardIndex) return {};
    return (fs::path(Root_) / Items_[static_cast<std::size_t>(i)].Folder).string() + "/";
}

// --------------------------------------------------------------------------- masks of a standard

bool TListOfMasksInCurrentStandard::Load(const std::string& folder, bool checkOnly, std::vector<std::string>* messages) {
    Items_.clear();
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && SameText(it->path().extension().string(), ".msk")) files.push_back(it->path());
    std::sort(files.begin(), files.end());

    for (const fs::path& file : files) {
        if (Count() >= MaxMasksInStandard) break;
        try {
            TMemIniFile_Dot ini(file);
            const std::string signature = ini.ReadString(Common, "Signature", "");
            if (signature.empty()) {
                std::optional<TMaskRecord> rec = ImportTextMask(file);
                if (!rec) continue;
                if (checkOnly) return true;
                Items_.push_back(std::move(*rec));
                continue;
            }
            if (signature != "Standard Mask") continue;
            // A mask without a bit rate cannot be used: it does not make its standard one with masks.
            const std::string bitRate = ini.ReadString(Common, "Bit Rate", "");
            if (!ParseBitRate(bitRate)) {
                if (messages) messages->push_back("No Bit Rate in Mask File " + file.filename().string());
                continue;
            }
            if (checkOnly) return true;
            TMaskRecord rec;
            rec.FileName = file.filename().string();
            rec.MaskName = std::string(Trim(ini.ReadString(Common, "Mask Name", "")));
            if (rec.MaskName.empty()) {
                rec.MaskName = file.stem().string();
                ini.WriteString(Common, "Mask Name", rec.MaskName);
                WriteBack(ini);
            }
            rec.BitRateText = bitRate;
            rec.BitRate = *ParseBitRate(bitRate);
            rec.LineType = ini.ReadString(Common, "Type of Line", "");
            const std::string type = Upper(Trim(ini.ReadString(Common, "Type of Mask", "")));
            rec.Type = type == "EYE" ? smtEye : type == "PULSE" ? smtPulse : smtOther;
            if (rec.Type == smtEye) {
                const std::string margins = Upper(Trim(ini.ReadString(Common, "Type of Margins", "")));
                rec.MarginByte = margins == "SQUARE" ? mtSquare : margins == "HEXAGON" ? mtHexagon
                                                            : margins == "POLAR"   ? mtPolar
                                                                                   : mtNoMargin;
            }
            Items_.push_back(std::move(rec));
        } catch (const std::exception&) {
        }
    }
    // By bit rate; masks of one rate (within rounding) by name.
    std::stable_sort(Items_.begin(), Items_.end(),
                     [](const TMaskRecord& a, const TMaskRecord& b) { return a.BitRate < b.BitRate; });
    for (auto first = Items_.begin(); first != Items_.end();) {
        const auto last = std::find_if(first, Items_.end(), [&](const TMaskRecord& r) {
            return !SameBitRate(r.BitRate, first->BitRate);
        });
        std::stable_sort(first, last, [](const TMaskRecord& a, const TMaskRecord& b) { return a.MaskName < b.MaskName; });
        first = last;
    }
    return !Items_.empty();
}

const TMaskRecord* TListOfMasksInCurrentStandard::At(int i) const {
    return i >= 0 && i < Count() ? &Items_[static_cast<std::size_t>(i)] : nullptr;
}

std::optional<TMaskRecord> TListOfMasksInCurrentStandard::ImportTextMask(const fs::path& file) {
    const std::optional<std::string> text = ReadSmallFile(file);
    if (!text) return std::nullopt;
    const std::optional<TTextMask> mask = ParseTextMask(*text);
    if (!mask) return std::nullopt;
    TMaskRecord rec;
    rec.FileName = file.filename().string();
    rec.MaskName = mask->Name.empty() ? file.stem().string() : mask->Name;
    rec.BitRate = 1 / mask->BitPeriod;
    if (!std::isfinite(rec.BitRate)) return std::nullopt;
    rec.BitRateText = BitRateText(rec.BitRate);
    rec.Type = smtEye;
    int counts[3] = {0, 0, 0};
    for (const TTextRegion& r : mask->Regions) ++counts[r.Role];
    rec.MarginByte = counts[rrStd] == counts[rrMax] && counts[rrStd] == counts[rrMin] ? TextMaskMargins : TextMaskNoMargins;
    return rec;
}

// ------------------------------------------------------------------------------ reading a mask

std::optional<TCurrentMask> ReadTextMaskPolygons(std::string_view text, int marg) {
    const std::optional<TTextMask> parsed = ParseTextMask(text);
    if (!parsed) return std::nullopt;
    // Centred once for the whole file, by its mask regions: a band that merely starts at x = 0 does not
    // move the regions after it.
    bool centred = false;
    for (const TTextRegion& r : parsed->Regions)
        if (r.Role == rrStd)
            for (const TMaskVertex& v : r.Vertices) centred = centred || v.X < 0;
    const double left = centred ? 2000 : 800;
    TCurrentMask mask;
    mask.Marg = marg;
    for (int n = 1; n <= MaskPolygonSlots; ++n) {
        const TTextRegion* mainRegion = nullptr;
        std::size_t at = 0;
        for (; at < parsed->Regions.size(); ++at)
            if (parsed->Regions[at].Number == n) break;
        if (at == parsed->Regions.size() || parsed->Regions[at].Role != rrStd) break;
        mainRegion = &parsed->Regions[at];
        const auto marginRegion = [&](TRegionRole role) -> const TTextRegion* {
            for (std::size_t k = at + 1; k < parsed->Regions.size(); ++k)
                if (parsed->Regions[k].Number == n && parsed->Regions[k].Role == role) return &parsed->Regions[k];
            return nullptr;
        };
        const TTextRegion* margin = nullptr;
        if (marg > 0) margin = marginRegion(rrMax) ? marginRegion(rrMax) : marginRegion(rrMin);
        else if (marg < 0) margin = marginRegion(rrMin);
        if (marg != 0 && !margin) break;
        StoreEyePolygon(mask, n - 1, mainRegion->Vertices, left);
        mask.SetPolygonCount(n);
        if (margin && n <= MaskMaxMarginPolygons) {
            const double share = std::abs(marg) / 100.0;
            std::vector<TMaskVertex> moved = mainRegion->Vertices;
            for (std::size_t i = 0; i < moved.size(); ++i) {
                moved[i].X += (margin->Vertices[i].X - moved[i].X) * share;
                moved[i].Y += (margin->Vertices[i].Y - moved[i].Y) * share;
            }
            StoreEyePolygon(mask, n + 3, moved, left);
            mask.MarginPolygonCount = static_cast<std::uint8_t>(n);
        }
    }
    if (mask.PolygonCount == 0) return std::nullopt;
    return mask;
}

std::optional<TCurrentMask> ReadStandardMask(const fs::path& file, const TMaskRecord& record, int marg,
                                             bool clampPulseScales) {
    if ((record.Type != smtEye && record.Type != smtPulse) || !(record.BitRate > 0)) return std::nullopt;
    TCurrentMask mask;
    mask.MskNm = record.MaskName;
    mask.BitP = 1 / record.BitRate;
    mask.SetKind(record.Type);
    mask.SetMarginMode(marg);
    mask.SetMarginType(record.MarginByte);
    try {
        if (record.MarginByte == TextMaskMargins || record.MarginByte == TextMaskNoMargins) {
            const std::optional<std::string> text = ReadSmallFile(file);
            if (!text) return std::nullopt;
            std::optional<TCurrentMask> polygons = ReadTextMaskPolygons(*text, marg);
            if (!polygons) return std::nullopt;
            mask.Polygons = std::move(polygons->Polygons);
            mask.SetPolygonCount(polygons->PolygonCount);
            mask.MarginPolygonCount = polygons->MarginPolygonCount;
            mask.TB = std::min(mask.BitP / 6, 0.002);
            return mask;
        }
        if (!fs::is_regular_file(file)) return std::nullopt;
        const TMemIniFile_Dot ini(file);
        if (mask.Kind == mkStdEye) {
            mask.TB = std::min(mask.BitP / 6, 0.002);
        } else {
            const auto lenient = [&ini](std::string_view key) {
                double v = 0;
                return ReadNumber(ini.ReadString(Common, key, ""), v) ? v : 0.0;
            };
            mask.TB = lenient("Time by Division");
            if (mask.TB < 1e-12) return std::nullopt;
            mask.X0 = static_cast<std::uint16_t>(std::clamp(std::round(8 * lenient("X of Begin Time")), 0.0, 65535.0));
            mask.VDiv = lenient("Value by Division");
            if (mask.VDiv < 1e-4) return std::nullopt;
            mask.V0 = lenient("Middle Value");
            if (clampPulseScales) {
                mask.VDiv = std::clamp(mask.VDiv, 0.001, 0.255);
                mask.V0 = std::clamp(mask.V0, -1.0, 1.0);
            }
        }
        if (!ReadMaskPolygons(ini, mask) || mask.PolygonCount == 0) return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return mask;
}

// ---------------------------------------------------------------------------- storing a mask

bool WriteStandardMaskFile(const fs::path& file, const TCurrentMask& mask, const std::string& name,
                           const std::string& bitRate, bool margins) {
    std::error_code ec;
    // Stored standards are read-only: a second store under the same name fails rather than replace one.
    if (fs::exists(file, ec) && (fs::status(file, ec).permissions() & fs::perms::owner_write) == fs::perms::none)
        return false;
    try {
        TMemIniFile_Dot ini(file);
        ini.Clear();
        ini.WriteString(Common, "Signature", "Standard Mask");
        ini.WriteString(Common, "Mask Name", name);
        ini.WriteString(Common, "Bit Rate", bitRate);
        ini.WriteString(Common, "Type of Mask", "Eye");
        ini.WriteString(Common, "Type of Line", "");
        // "Margins Possible" alone is never read: the margin type is what lets margins be chosen.
        ini.WriteString(Common, "Type of Margins", margins ? "POLAR" : "");
        for (const char* key : {"Time by Division", "X of Begin Time", "Value by Division", "Middle Value"})
            ini.WriteString(Common, key, "");
        ini.WriteString(Common, "Divisions by 1 of Eye", "4");
        ini.WriteString(Common, "Central Value of Eye", "0.5");
        ini.WriteString(Common, "Margins Possible", margins ? "YES" : "");
        std::string list;
        for (int i = 1; i <= mask.PolygonCount; ++i) list += (i > 1 ? ", " : "") + std::to_string(i);
        ini.WriteString(Common, "List of Polygons", list);
        for (int i = 0; i < mask.PolygonCount; ++i)
            WriteMaskPolygons(ini, i + 1, mask.Polygons[static_cast<std::size_t>(i)], true);
        ini.UpdateFile();
    } catch (const std::exception&) {
        return false;
    }
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, ec);
    return true;
}

// ----------------------------------------------------------------------------- shipped masks

bool InstallShippedStandardMasks(const std::string& standardsFolder) {
    std::error_code ec;
    for (fs::directory_iterator it(standardsFolder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec)) return true;
    bool ok = true;
    for (const TShippedMaskFile& shipped : ShippedStandardMaskFiles()) {
        const fs::path target = fs::path(standardsFolder) / shipped.Path;
        fs::create_directories(target.parent_path(), ec);
        if (fs::exists(target, ec)) continue;
        std::ofstream out(target, std::ios::binary);
        out << shipped.Text;
        ok = ok && static_cast<bool>(out.flush());
    }
    return ok;
}

}  // namespace vt
