// Standard mask files (".msk": ini masks and text masks) as a standard's folder holds them: the list
// takes a file or skips it, and a listed mask loads, at any margin, within the mask's limits or not at
// all.
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "serial/CurrentMask.h"
#include "serial/MaskObject.h"
#include "serial/MaskStandards.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckLimits(const vt::TCurrentMask& m, int marg) {
    Check((m.Kind == vt::mkStdEye || m.Kind == vt::mkStdPulse) && m.Marg == marg);
    Check(m.PolygonCount >= 1 && m.PolygonCount <= 8 && m.MarginPolygonCount <= 4);
    // An eye mask's timebase follows its bit period, however short; a pulse mask's is checked.
    Check(m.BitP > 0 && std::isfinite(m.BitP) && m.TB > 0 && (m.Kind == vt::mkStdEye || m.TB >= 1e-12));
    for (const vt::TMaskPolyRec& p : m.Polygons) {
        Check(p.X.size() == p.Y.size() && p.Count <= p.X.size() && p.X.size() <= vt::MaskMaxVertices + 1);
        for (std::size_t i = 0; i < p.Count; ++i) Check(p.X[i] >= 1 && p.X[i] <= 3999 && p.Y[i] >= 1 && p.Y[i] <= 1023);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = vt::fuzz::WriteInputFile("mask.msk", vt::fuzz::InputBytes(data, size));
    const std::string folder = path.parent_path().string() + "/";
    vt::TListOfMasksInCurrentStandard list;
    std::vector<std::string> messages;
    list.Load(folder, false, &messages);
    Check(list.Count() <= 1);
    if (const vt::TMaskRecord* rec = list.At(0)) {
        Check(rec->BitRate > 0);
        for (int marg : {0, 35, -35}) {
            const std::optional<vt::TCurrentMask> mask = vt::ReadStandardMask(path, *rec, marg, marg != 0);
            if (!mask) continue;
            CheckLimits(*mask, marg);
            vt::TMask_Obj obj;
            obj.SetMarginsOn(marg != 0);
            std::vector<double> xs, ys;
            for (int i = 0; i < mask->PolygonCount && i < (marg != 0 ? 4 : 8); ++i) {
                vt::CountedVertices(mask->Polygons[static_cast<std::size_t>(i)], xs, ys);
                obj.AddPolygon(0, static_cast<int>(xs.size()), ys.data(), xs.data());
            }
            for (int x = 0; x <= 4000; x += 97) obj.HitMask(x, (x * 7) % 1024);
        }
    }
    // The text reader alone, as the loader calls it.
    if (const std::optional<vt::TCurrentMask> text = vt::ReadTextMaskPolygons(vt::fuzz::InputBytes(data, size), 20))
        Check(text->PolygonCount >= 1 && text->MarginPolygonCount <= 4);
    return 0;
}
