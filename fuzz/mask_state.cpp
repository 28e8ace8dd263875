// The mask's state text, as setups and the undo buffer hand it back: a text is applied within the
// mask's limits or refused, and what is applied writes a text that reads back to the same mask.
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "serial/CurrentMask.h"
#include "serial/MaskObject.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckLimits(const vt::TCurrentMask& m) {
    Check(m.PolygonCount <= 8 && m.MarginPolygonCount <= 4);
    Check(m.Marg == 0 ? m.MarginPolygonCount == 0 : m.PolygonCount <= 4);
    for (const vt::TMaskPolyRec& p : m.Polygons) {
        Check(p.X.size() == p.Y.size() && p.Count <= p.X.size() && p.X.size() <= vt::MaskMaxVertices);
        for (std::size_t i = 0; i < p.X.size(); ++i) {
            Check(p.X[i] == -1 || (p.X[i] >= 0 && p.X[i] <= 4000));
            Check(p.Y[i] >= 0 && p.Y[i] <= 1024);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto state = vt::ParseMaskStateText(vt::fuzz::InputBytes(data, size));
    if (!state) return 0;
    vt::TCurrentMask mask;
    mask.Apply(*state);
    CheckLimits(mask);
    // The rasterised form takes what was applied, as the mask test feeds it.
    vt::TMask_Obj obj;
    obj.SetMarginsOn(mask.Marg != 0);
    std::vector<double> xs, ys;
    for (int i = 0; i < mask.PolygonCount; ++i) {
        vt::CountedVertices(mask.Polygons[static_cast<std::size_t>(i)], xs, ys);
        obj.AddPolygon(0, static_cast<int>(xs.size()), ys.data(), xs.data());
    }
    for (int x = 0; x <= 4000; x += 97) obj.HitMask(x, (x * 7) % 1024);
    const std::string text = mask.StateText();
    const auto again = vt::ParseMaskStateText(text);
    Check(again.has_value());
    vt::TCurrentMask copy;
    copy.Apply(*again);
    Check(copy.StateText() == text);
    return 0;
}
