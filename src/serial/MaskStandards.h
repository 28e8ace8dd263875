#pragma once
// The stored standard masks: the standards folder tree (one sub-folder per standard, its display order
// in "StandardMasks.ini", its display name in "Standard.ini"), the masks of one standard (".msk" ini
// masks and text mask files), and the reading of one such mask into a mask. Plain files and data: the
// mask test feature keeps the two lists, shows the messages and applies what was read.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/CurrentMask.h"

namespace vt {

inline constexpr int MaxStandards = 32;
inline constexpr int MaxMasksInStandard = 201;
inline constexpr int NoStandardIndex = 65535;

struct TStandardRecord {
    std::string Folder;
    std::string Name;
    std::int16_t Number = -1;  // position among the standards that hold masks; -1 holds none
};

class TListOfStandards {
public:
    // Rebuilds the list from the standards folder ("…/Masks/Standard/"); true when any standard holds
    // masks. An empty display name is replaced by the folder name and written back where it can be.
    // A standard without a usable mask counts as one without masks; messages gets why.
    bool Load(const std::string& standardsFolder, std::vector<std::string>* messages = nullptr);
    int Count() const { return static_cast<int>(Items_.size()); }
    int WithMasks() const { return WithMasks_; }
    std::string GetFolder(int i) const;
    int GetNumber(int i) const;
    std::string GetName(int i) const;
    // Position of the standard numbered n, NoStandardIndex when none.
    int IndexOfNumber(int n) const;
    // The folder of the standard numbered n, with its trailing "/"; empty when none.
    std::string GetPath(int n) const;

private:
    std::string Root_;
    std::vector<TStandardRecord> Items_;
    int WithMasks_ = 0;
};

enum TStdMaskType : std::uint8_t { smtEye = 1, smtPulse = 2, smtOther = 4 };
// Margin bytes of text mask files: as many margin regions of each kind as mask regions, or not.
inline constexpr std::uint8_t TextMaskMargins = 4;
inline constexpr std::uint8_t TextMaskNoMargins = 5;

struct TMaskRecord {
    std::string FileName;  // without folder
    std::string MaskName;
    std::string BitRateText;
    std::string LineType;
    double BitRate = 0;  // bit/s
    std::uint8_t Type = smtOther;
    std::uint8_t MarginByte = 0;
    // Margins can be chosen: an eye mask with a margin type, or a text mask with all margin regions.
    bool MarginsPossible() const { return MarginByte != 0 && MarginByte != TextMaskNoMargins; }
};

class TListOfMasksInCurrentStandard {
public:
    // Lists the masks of a standard's folder, sorted by bit rate, then by name. A file whose bit rate
    // is missing or not above 0 is skipped with its message in `messages`. In check-only mode the scan
    // stops at the first mask and the list stays empty. True when the folder holds any mask.
    bool Load(const std::string& folder, bool checkOnly, std::vector<std::string>* messages = nullptr);
    int Count() const { return static_cast<int>(Items_.size()); }
    // The record of position i; none outside the list.
    const TMaskRecord* At(int i) const;
    // The record of a text mask file; none when the file is not one or fails to read anywhere.
    static std::optional<TMaskRecord> ImportTextMask(const std::filesystem::path& file);

private:
    std::vector<TMaskRecord> Items_;
};

// "2.5 Gbps" 2.5e9, "155.52 Mbit/s" 1.5552e8, "100 bps" 100: the number up to the first blank, then a
// multiplier by the first letter (G, M, K, T in either case). None when missing or not above 0.
std::optional<double> ParseBitRate(std::string_view text);

// Help topic of a standard by its folder path.
int StdMaskHelpTopic(std::string_view path);

// The mask a stored standard mask file gives with margin `marg` (percent), read whole: kind, bit
// period, scales, margin type and every polygon, or none when the file fails anywhere (its type is
// not eye or pulse, its scales are out of range, a polygon cannot be read). `clampPulseScales` applies
// the limits the instrument takes for a pulse mask's scales before its polygons are placed.
std::optional<TCurrentMask> ReadStandardMask(const std::filesystem::path& file, const TMaskRecord& record,
                                             int marg, bool clampPulseScales);

// The mask a text mask file gives (its polygons only, screen units), with margin polygons at `marg`;
// none when the file is not a text mask or fails anywhere.
std::optional<TCurrentMask> ReadTextMaskPolygons(std::string_view text, int marg);

// Writes the mask as a standard eye mask file (polygons in eye units) and makes it read-only. With
// margins the file allows them ("POLAR" keeps any shape). False when the file is there read-only
// or cannot be written.
bool WriteStandardMaskFile(const std::filesystem::path& file, const TCurrentMask& mask, const std::string& name,
                           const std::string& bitRate, bool margins);

// Writes the shipped standard masks into an empty standards folder: nothing when it already holds a
// standard folder; never overwrites a file. False when a file could not be written.
bool InstallShippedStandardMasks(const std::string& standardsFolder);

}  // namespace vt
