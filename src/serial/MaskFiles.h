#pragma once
// Mask ini files: the "Polygon %d" sections shared by standard (".msk") and user (".pcm") masks, and
// the user-mask file as a whole. Everything here reads and writes an ini held in memory; the mask
// test feature opens the files, shows the messages and applies what was read.
#include <optional>
#include <string>

#include "serial/CurrentMask.h"

namespace vt {

class TMemIniFile_Dot;

// Vertex counts above this are refused: no mask polygon holds more.
inline constexpr int MaskFileMaxVertices = 4003;

// Writes section "Polygon n" from polygon p: in screen units (rounded integers), or in eye units
// (x in unit intervals, y in amplitude, "MAX"/"MIN" at the screen's edges).
void WriteMaskPolygons(TMemIniFile_Dot& ini, int n, const TMaskPolyRec& p, bool eyeUnits);

// Reads the polygons "List of Polygons" names (1..8) into the mask as its kind, margin and margin
// type say. False when any named polygon fails; then the mask may hold part of them, so callers
// read into a copy.
bool ReadMaskPolygons(const TMemIniFile_Dot& ini, TCurrentMask& mask);

// The scales a user mask keeps beside its polygons.
struct TUserMaskScales {
    double TB = 0;    // time per division of the displayed timebase
    double VDiv = 0;  // Ch1 volts per division
    double V0 = 0;    // Ch1 offset
};

// The whole user-mask file: its keys and every polygon in screen units.
void WriteUserMask(TMemIniFile_Dot& ini, const TCurrentMask& mask, const TUserMaskScales& scales);

// The mask a user-mask file holds, checked whole (signature, scales, every polygon): a user mask
// (kind 4, no margins) or none.
std::optional<TCurrentMask> ReadUserMask(const TMemIniFile_Dot& ini);

}  // namespace vt
