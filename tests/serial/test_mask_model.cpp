// The current mask: where stored polygons land on the screen, the state text that carries the mask
// through setups and undo, the texts it refuses, the automask and the stored mask's state after undo.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "MaskTestSupport.h"
#include "serial/CurrentMask.h"

namespace vt::test {
namespace {

// Vertex 0 of a polygon stored from one mask-unit vertex.
std::pair<double, double> Stored(TCurrentMask& m, double x, double y, int margin = 0) {
    m.StorePolygon(1, {{x, y}}, margin, 1);
    const TMaskPolyRec& p = m.Polygons[margin == 0 ? 0 : 4];
    return {p.X[0], p.Y[0]};
}

// Eye units span the unit interval 0..1 over columns 800..3200 and rows 256..768: X = 800 + 2400 x,
// Y = 256 + 512 y. The margins stretch each coordinate a towards the nearer of +-1 by the margin share.
TEST(CurrentMask, EyeVerticesAndMarginsLandWhereTheGeometrySays) {
    TCurrentMask m;
    m.SetKind(mkStdEye);
    EXPECT_EQ(Stored(m, 0.5, 0.5), std::make_pair(2000.0, 512.0));
    EXPECT_EQ(Stored(m, 0, 0), std::make_pair(800.0, 256.0));
    EXPECT_EQ(Stored(m, 1, 1), std::make_pair(3200.0, 768.0));
    // (0.3, 0.4) is (-0.4, -0.2) around the centre; 100 % moves both onto -1.
    m.SetMarginType(mtSquare);
    EXPECT_EQ(Stored(m, 0.3, 0.4, 100), std::make_pair(800.0, 256.0));
    // (0.25, 0.5) is (-0.5, 0): half way to -1 gives -0.75 (column 1100); 0 half way to +1 is 0.5
    // (row 256 + 512 * 0.75 = 640).
    EXPECT_EQ(Stored(m, 0.25, 0.5, 50), std::make_pair(1100.0, 640.0));
    // The hexagon moves a vertex on the centre line sideways only.
    m.SetMarginType(mtHexagon);
    EXPECT_EQ(Stored(m, 0.25, 0.5, 50), std::make_pair(1100.0, 512.0));
    // A margin polygon lives in slot n + 3 and ends with the (-1, -1) terminator the count leaves out.
    EXPECT_EQ(m.MarginPolygonCount, 1);
    EXPECT_EQ(m.Polygons[4].Count, 1);
    EXPECT_EQ(m.Polygons[4].X.size(), 2u);
    EXPECT_EQ(m.Polygons[4].X[1], -1);
}

TEST(CurrentMask, TheStateTextRoundTripsAndRefusesWhatWouldBreakTheMask) {
    TMaskRig rig;
    const std::string withMargins =
        "#Poly=2,BitP=4.01878E-10,TB=6.69797E-11,X0=0,VDiv=0.1,V0=0,StdI=3,MskI=2,\"MskNm=OC-48 eye\",Marg=-20,"
        "Kind=1,\"Poly1=800,512_1200,700_2800,700_3200,512_2800,324_1200,324_\",\"Poly2=100,1000_3900,1000_3900,1023_100,1023_\","
        "#MgPly=2,\"MgPly1=880,512_1240,662_2760,662_3120,512_2760,362_1240,362_\",\"MgPly2=100,980_3900,980_3900,1023_100,1023_\"";
    EXPECT_EQ(rig.Load(withMargins), " " + withMargins);
    EXPECT_EQ(rig.State(), withMargins);  // byte for byte
    ASSERT_NE(rig.Mask().MaskObject(), nullptr);
    EXPECT_EQ(rig.Mask().MaskObject()->PolygonCount(1), 2);

    // Without margins no margin count and no margin polygon is written, whatever the slots hold.
    const std::string user = "#Poly=1,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=0,Kind=4,\"Poly1=10,20_-1,5_30,40_\"";
    rig.Load(user);
    EXPECT_EQ(rig.Mask().Mask().MarginPolygonCount, 0);
    // The pair with x = -1 is kept, not counted.
    EXPECT_EQ(rig.Mask().Mask().Polygons[0].Count, 2);
    EXPECT_EQ(rig.Mask().Mask().Polygons[0].X.size(), 3u);
    EXPECT_EQ(rig.State().find("MgPly"), std::string::npos);

    // Refused: counts past the slots, a margin count above 4, margins beside five polygons, no number.
    // The mask stays, the command fails, a setup load counts the line as not applied.
    const std::string before = rig.State();
    for (const std::string& bad : std::vector<std::string>{"#Poly=9,Kind=4", "#Poly=255",
                                  "#Poly=1,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,Marg=5,Kind=4,#MgPly=5",
                                  "#Poly=5,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,Marg=10,Kind=4,#MgPly=1",
                                  "#Poly=1,BitP=x,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,Marg=0,Kind=4,\"Poly1=1,1_\"",
                                  "#Poly=1,BitP=0,TB=0,X0=70000,VDiv=0,V0=0,StdI=0,MskI=0,Marg=0,Kind=4",
                                  "#Poly=1,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,Marg=0,Kind=4,\"Poly1=1,a_\""}) {
        EXPECT_EQ(rig.Load(bad), "ERROR") << bad;
        EXPECT_EQ(rig.State(), before) << bad;
    }
    EXPECT_EQ(rig.Shell.CommandTree()->Root().LoadAllSettings({"NOGPIB:Mask #Poly=9"}), 1);
    EXPECT_EQ(rig.State(), before);
    // Vertices beyond the screen are clamped onto it.
    rig.Load("#Poly=1,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=0,Kind=4,\"Poly1=99999,5000_0,0_10,10_\"");
    EXPECT_EQ(rig.Mask().Mask().Polygons[0].X[0], 4000);
    EXPECT_EQ(rig.Mask().Mask().Polygons[0].Y[0], 1024);
    // "#Poly=0" clears and reads nothing else.
    rig.Load("#Poly=0,Kind=4,\"Poly1=1,1_\"");
    EXPECT_EQ(rig.State(), "#Poly=0");
    EXPECT_EQ(rig.Mask().MaskObject(), nullptr);
    EXPECT_EQ(rig.Mask().Mask().Kind, mkNoMask);
}

// Editing, then margins off: old margin polygons must not feed the object (they would land on the
// slots of polygons 5..8).
TEST(CurrentMask, AnEditedMaskLosesItsMargins) {
    TMaskRig rig;
    rig.Load("#Poly=1,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=10,Kind=1,\"Poly1=1000,256_3000,256_3000,768_1000,768_\","
             "#MgPly=1,\"MgPly1=900,200_3100,200_3100,800_900,800_\"");
    rig.Mask().CurrentMaskEdited();
    EXPECT_EQ(rig.Mask().Mask().Kind, mkUserMask);
    EXPECT_EQ(rig.Mask().Mask().MarginPolygonCount, 0);
    rig.Mask().SetEditing(true);
    EXPECT_EQ(rig.Mask().MaskObject(), nullptr);
    rig.Mask().SetEditing(false);
    ASSERT_NE(rig.Mask().MaskObject(), nullptr);
    EXPECT_FALSE(rig.Mask().MaskObject()->MarginsOn());
    EXPECT_EQ(rig.Mask().MaskObject()->PolygonCount(1), 0);
    EXPECT_EQ(rig.Mask().MaskObject()->HitMask(950, 512), 0);  // in the old margin only
}

TEST(Automask, AFlatTraceGivesTwoBandsAndALongMaskSurvivesUndo) {
    TMaskRig rig;
    for (int i = 0; i < 4096; ++i) rig.Ch1().SetPoint(i, 0);  // row 512
    // Width 0.2 div = 80 columns, distance 0.25 div = 32 rows.
    rig.Run("Automask:BuildAMask");
    const std::string flat = rig.State();
    EXPECT_NE(flat.find("\"Poly1=80,1_80,480_3920,480_3920,1_\""), std::string::npos) << flat;
    EXPECT_NE(flat.find("Poly2=80,1023_80,544_3920,544_3920,1023_"), std::string::npos) << flat;
    EXPECT_EQ(rig.Mask().Mask().Kind, mkAutomask);

    // A rough trace and a narrow band: every column its own vertex, far more than 1,001.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> level(-0.3, 0.3);
    for (int i = 0; i < 4096; ++i) rig.Ch1().SetPoint(i, level(rng));
    rig.Run("Automask:DeltaX 0.02");
    rig.Shell.UndoBuffer()->BeginStep();
    rig.Run("Automask:BuildAMask");
    const std::string rough = rig.State();
    ASSERT_GT(rig.Mask().Mask().Polygons[0].Count, 1001);
    rig.Shell.UndoBuffer()->BeginStep();
    rig.Run("Mask:EraseMask");
    EXPECT_EQ(rig.Mask().Mask().PolygonCount, 0);
    rig.Undo();
    EXPECT_EQ(rig.State(), rough);
    rig.Undo();
    EXPECT_EQ(rig.State(), flat);
}

}  // namespace
}  // namespace vt::test
