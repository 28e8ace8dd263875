// User-mask files as users hand them over: a file gives a mask within the mask's limits or none, and
// the mask it gives is written and read back by the program's own writer.
#include <cstdlib>
#include <optional>
#include <vector>

#include "FuzzFiles.h"
#include "core/IniFiles.h"
#include "serial/CurrentMask.h"
#include "serial/MaskFiles.h"
#include "serial/MaskObject.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckLimits(const vt::TCurrentMask& m) {
    Check(m.Kind == vt::mkUserMask && m.Marg == 0 && m.MarginPolygonCount == 0);
    Check(m.PolygonCount <= 8 && m.TB >= 1e-12 && m.VDiv > 0);
    for (const vt::TMaskPolyRec& p : m.Polygons) {
        Check(p.X.size() == p.Y.size() && p.Count <= p.X.size() && p.X.size() <= vt::MaskMaxVertices + 1);
        for (std::size_t i = 0; i < p.Count; ++i) Check(p.X[i] >= 1 && p.X[i] <= 3999 && p.Y[i] >= 1 && p.Y[i] <= 1023);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = vt::fuzz::WriteInputFile("mask.pcm", vt::fuzz::InputBytes(data, size));
    const std::optional<vt::TCurrentMask> mask = vt::ReadUserMask(vt::TMemIniFile_Dot(path));
    if (!mask) return 0;
    CheckLimits(*mask);
    vt::TMask_Obj obj;
    std::vector<double> xs, ys;
    for (int i = 0; i < mask->PolygonCount; ++i) {
        vt::CountedVertices(mask->Polygons[static_cast<std::size_t>(i)], xs, ys);
        obj.AddPolygon(0, static_cast<int>(xs.size()), ys.data(), xs.data());
    }
    for (int x = 0; x <= 4000; x += 97) obj.HitMask(x, (x * 7) % 1024);
    vt::TMemIniFile_Dot out;
    vt::WriteUserMask(out, *mask, {mask->TB, mask->VDiv, mask->V0});
    const std::optional<vt::TCurrentMask> again = vt::ReadUserMask(out);
    // The gaps of a sparse list close up on reading, and what the writer writes reads back whole.
    for (int i = 0; i < mask->PolygonCount; ++i) Check(mask->Polygons[static_cast<std::size_t>(i)].Count > 0);
    Check(again.has_value() && again->PolygonCount == mask->PolygonCount);
    return 0;
}
