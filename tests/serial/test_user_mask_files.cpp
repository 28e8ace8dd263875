// User-mask files: a mask saved with the displayed scales reads back to the same polygons, a recall
// is undone as one step, straight runs are thinned without losing a polygon's corners, and a file
// that fails anywhere leaves the mask as it was and says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "MaskTestSupport.h"
#include "core/IniFiles.h"
#include "core/UserServices.h"
#include "serial/MaskFiles.h"

namespace vt::test {
namespace {

struct TErrorLog : TUserServices {
    std::vector<std::string>* Messages = nullptr;
    void ShowErrorDlg(const std::string& text) override { Messages->push_back(text); }
};

struct TUserMaskRig : TMaskRig {
    TUserMaskRig() {
        auto log = std::make_unique<TErrorLog>();
        log->Messages = &Messages;
        Shell.SetUserServices(std::move(log));
        TSpider& root = Shell.CommandTree()->Root();
        root.AddRadioHandler("TB:Mode", {.Items = "A,AB,B", .Initial = 2});
        root.AddDoubleEditHandler("TB:ScaleA", {.Initial = 4e-9, .Config = {.Maximum = 1}});
        root.AddDoubleEditHandler("TB:ScaleB", {.Initial = 2.5e-11, .Config = {.Maximum = 1}});
        root.AddDoubleEditHandler("Ch1:Scale", {.Initial = 0.05, .Config = {.Maximum = 1}});
        root.AddDoubleEditHandler("Ch1:Offset", {.Initial = -0.125, .Config = {.Minimum = -1, .Maximum = 1}});
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
        Run("Mask:MaskFile " + (Dir / "mine").string());
    }
    ~TUserMaskRig() { std::filesystem::remove_all(Dir); }
    std::filesystem::path File() const { return Dir / "mine.pcm"; }
    void Write(const std::string& text) {
        std::ofstream(File(), std::ios::binary) << text;
    }
    std::vector<std::string> Messages;
    std::filesystem::path Dir = std::filesystem::temp_directory_path() / ("vt-user-mask-" + std::to_string(::getpid()));
};

const std::string Triangle =
    "#Poly=2,BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=0,Kind=4,"
    "\"Poly1=800,704_2560,736_1600,224_\",\"Poly2=100,1000_3900,1000_3900,1023_100,1023_\"";

TEST(UserMaskFiles, SavedMaskReadsBackAndRecallIsOneUndoStep) {
    TUserMaskRig rig;
    rig.Load(Triangle);
    rig.Run("Mask:SaveUser");
    ASSERT_TRUE(rig.Messages.empty());
    const TMemIniFile_Dot ini(rig.File());
    EXPECT_EQ(ini.ReadString("COMMON", "Signature", ""), "User Mask");
    EXPECT_EQ(ini.ReadString("COMMON", "Time by Division", ""), "2.5E-11");  // timebase B is shown
    EXPECT_EQ(ini.ReadString("COMMON", "Value by Division", ""), "0.05");
    EXPECT_EQ(ini.ReadString("COMMON", "Middle Value", ""), "-0.125");
    EXPECT_EQ(ini.ReadString("COMMON", "X of Begin Time", ""), "0");
    EXPECT_EQ(ini.ReadString("COMMON", "Mask Name", "absent"), "");
    EXPECT_EQ(ini.ReadString("COMMON", "List of Polygons", ""), "1, 2");
    EXPECT_EQ(ini.ReadString("Polygon 1", "Number of Vertex", ""), "3");
    EXPECT_EQ(ini.ReadString("Polygon 1", "Vertex 2", ""), "2560, 736");
    EXPECT_EQ(ini.ReadString("Polygon 2", "Vertex 4", ""), "100, 1023");

    rig.Run("Mask:EraseMask");
    ASSERT_EQ(rig.Mask().PolygonCount(), 0);
    rig.Run("Mask:LoadUser");
    ASSERT_TRUE(rig.Messages.empty());
    const TCurrentMask& m = rig.Mask().Mask();
    EXPECT_EQ(m.Kind, mkUserMask);
    EXPECT_DOUBLE_EQ(m.TB, 2.5e-11);
    EXPECT_DOUBLE_EQ(m.VDiv, 0.05);
    EXPECT_DOUBLE_EQ(m.V0, -0.125);
    EXPECT_EQ(rig.State().substr(rig.State().find("\"Poly1")), Triangle.substr(Triangle.find("\"Poly1")));
    ASSERT_NE(rig.Mask().MaskObject(), nullptr);
    EXPECT_NE(rig.Mask().MaskObject()->HitMask(1600, 600), 0);  // inside the triangle
    rig.Undo();
    EXPECT_EQ(rig.Mask().PolygonCount(), 0);

    // In eye units the eye spans columns 800..3200 and rows 256..768; the screen's edges read "MAX"/"MIN".
    TMaskPolyRec eye{.Count = 3, .X = {2000, 3200, 800}, .Y = {1023, 384, 1}};
    TMemIniFile_Dot out;
    WriteMaskPolygons(out, 2, eye, true);
    EXPECT_EQ(out.ReadString("Polygon 2", "Vertex 1", ""), "0.5, MAX");
    EXPECT_EQ(out.ReadString("Polygon 2", "Vertex 2", ""), "1, 0.25");
    EXPECT_EQ(out.ReadString("Polygon 2", "Vertex 3", ""), "0, MIN");
}

// Ch1's volt scale in each unit the channel can show: volts at the 2 mV a division minimum; watts
// through the optical converter, whose 1e-6 W to 4e-4 W a division at a gain of g V/W are g times that
// in volts (g from 1e-4 up): 2e-4 W at 0.5 V/W is 1e-4 V, 4e-4 W at 0.1 V/W 4e-5 V, 1e-6 W at 1e-4 V/W
// 1e-10 V.
TEST(UserMaskFiles, TheLoaderTakesEveryScaleTheSaveWrites) {
    TUserMaskRig rig;
    rig.Load(Triangle);
    const std::string polygons = rig.State().substr(rig.State().find("\"Poly1"));
    for (const char* text : {"0.002", "1e-4", "4e-5", "1e-10"}) {
        const double scale = std::stod(text);
        rig.Run(std::string("Ch1:Scale ") + text);
        rig.Messages.clear();
        rig.Run("Mask:SaveUser");
        rig.Run("Mask:EraseMask");
        rig.Run("Mask:LoadUser");
        EXPECT_TRUE(rig.Messages.empty()) << scale;
        EXPECT_DOUBLE_EQ(rig.Mask().Mask().VDiv, scale);
        ASSERT_EQ(rig.Mask().PolygonCount(), 2) << scale;
        EXPECT_EQ(rig.State().substr(rig.State().find("\"Poly1")), polygons) << scale;
    }
}

TEST(UserMaskFiles, StraightRunsThinWithoutLosingCorners) {
    TUserMaskRig rig;
    rig.Write(
        "[COMMON]\nSignature=User Mask\nTime by Division=1e-10\nValue by Division=0.1\nMiddle Value=0\n"
        "List of Polygons= 1 ,, 2,9\n"
        // Along the bottom edge 1000..3000 at row 200: the middle vertices go, the corners stay.
        "[Polygon 1]\nNumber of Vertex=6\nVertex 1=1000, 200\nVertex 2=1500, 200\nVertex 3=2000, 200\n"
        "Vertex 4=3000, 200\nVertex 5=3000, MAX\nVertex 6=1000, MAX\n"
        // First and last share their x: tested in x, the far vertex bounds the triangle.
        "[Polygon 2]\nNumber of Vertex=3\nVertex 1=300, 500\nVertex 2=600, 500\nVertex 3=300, 900\n");
    rig.Run("Mask:LoadUser");
    ASSERT_TRUE(rig.Messages.empty());
    const TCurrentMask& m = rig.Mask().Mask();
    ASSERT_EQ(m.PolygonCount, 2);
    EXPECT_EQ(m.Polygons[0].Count, 4);
    EXPECT_EQ(m.Polygons[0].X[1], 3000);
    EXPECT_EQ(m.Polygons[0].Y[1], 200);
    EXPECT_EQ(m.Polygons[0].Y[2], 1023);  // "MAX" lands on the top row
    EXPECT_EQ(m.Polygons[1].Count, 3);
    EXPECT_EQ(m.Polygons[1].X[1], 600);
    EXPECT_NE(rig.Mask().MaskObject()->HitMask(400, 600), 0);
}

TEST(UserMaskFiles, AFileThatFailsAnywhereLeavesTheMaskAndSaysSo) {
    TUserMaskRig rig;
    rig.Load(Triangle);
    const std::string before = rig.State();
    const std::string head = "[COMMON]\nSignature=User Mask\nTime by Division=1e-10\nValue by Division=0.1\n";
    const std::string good = "[Polygon 1]\nNumber of Vertex=3\nVertex 1=1, 1\nVertex 2=9, 1\nVertex 3=5, 9\n";
    const std::vector<std::string> bad{
        "[COMMON]\nSignature=Standard Mask\nTime by Division=1e-10\nValue by Division=0.1\nList of Polygons=1\n" + good,
        head + "List of Polygons=1, 2\n" + good + "[Polygon 2]\nNumber of Vertex=3\nVertex 1=1, 1\nVertex 2=9\nVertex 3=5, 9\n",
        head + "List of Polygons=1\n[Polygon 1]\nNumber of Vertex=1000000000\nVertex 1=1, 1\n",
        head + "List of Polygons=1\n[Polygon 1]\nNumber of Vertex=0\n",
        head + "List of Polygons=1\n[Polygon 1]\nNumber of Vertex=2\nVertex 1=nan, 1\nVertex 2=1, 1\n",
        "[COMMON]\nSignature=User Mask\nTime by Division=fast\nValue by Division=0.1\nList of Polygons=1\n" + good,
        "[COMMON]\nSignature=User Mask\nTime by Division=1e-10\nValue by Division=0\nList of Polygons=1\n" + good,
        "[COMMON]\nSignature=User Mask\nTime by Division=1e-10\nValue by Division=-0.1\nList of Polygons=1\n" + good,
    };
    for (std::size_t i = 0; i < bad.size(); ++i) {
        rig.Write(bad[i]);
        rig.Messages.clear();
        rig.Run("Mask:LoadUser");
        EXPECT_EQ(rig.State(), before) << i;
        ASSERT_EQ(rig.Messages.size(), 1u) << i;
        EXPECT_EQ(rig.Messages[0], "Error reading the mask file \"" + rig.File().string() + "\"");
    }
    std::filesystem::remove(rig.File());
    rig.Messages.clear();
    rig.Run("Mask:LoadUser");
    EXPECT_EQ(rig.Messages.size(), 1u);
    EXPECT_EQ(rig.State(), before);

    // A file that cannot be created: the message names it and nothing is written.
    std::ofstream(rig.Dir / "plain") << "x";
    rig.Run("Mask:MaskFile " + (rig.Dir / "plain" / "mine").string());
    rig.Messages.clear();
    rig.Run("Mask:SaveUser");
    ASSERT_EQ(rig.Messages.size(), 1u);
    EXPECT_EQ(rig.Messages[0], "Don't create file " + (rig.Dir / "plain" / "mine.pcm").string());
}

TEST(UserMaskFiles, ASparseListClosesUpAndSurvivesTheRoundTripAnEmptyOneErasesAndSaysSo) {
    TUserMaskRig rig;
    rig.Write("[COMMON]\nSignature=User Mask\nTime by Division=1e-10\nValue by Division=0.1\nMiddle Value=0\n"
              "List of Polygons=1, 3\n"
              "[Polygon 1]\nNumber of Vertex=3\nVertex 1=800, 700\nVertex 2=2560, 736\nVertex 3=1600, 224\n"
              "[Polygon 3]\nNumber of Vertex=3\nVertex 1=100, 900\nVertex 2=700, 900\nVertex 3=400, 1000\n");
    rig.Run("Mask:LoadUser");
    ASSERT_TRUE(rig.Messages.empty());
    const TCurrentMask& m = rig.Mask().Mask();
    ASSERT_EQ(m.PolygonCount, 2) << "the gap closes up";
    EXPECT_EQ(m.Polygons[1].Count, 3);
    EXPECT_EQ(m.Polygons[1].X[2], 400);
    EXPECT_EQ(m.Polygons[1].Y[2], 1000);
    EXPECT_NE(rig.Mask().MaskObject()->HitMask(400, 950), 0);
    // The polygons of the state text (the save writes the displayed scales, not the file's).
    const auto polygons = [&rig] { return rig.State().substr(rig.State().find("\"Poly1")); };
    const std::string loaded = polygons();

    // Saved, erased and loaded again: the same two polygons.
    rig.Run("Mask:SaveUser");
    ASSERT_TRUE(rig.Messages.empty());
    EXPECT_EQ(TMemIniFile_Dot(rig.File()).ReadString("COMMON", "List of Polygons", ""), "1, 2");
    rig.Run("Mask:EraseMask");
    rig.Run("Mask:LoadUser");
    EXPECT_TRUE(rig.Messages.empty());
    EXPECT_EQ(polygons(), loaded);

    // A mask with a gap of its own (a standard mask's sparse polygons) is written without it.
    TCurrentMask sparse;
    sparse.SetKind(mkStdEye);
    sparse.StorePolygon(1, {{800, 700}, {2560, 736}, {1600, 224}}, 0, 3);
    sparse.StorePolygon(3, {{100, 900}, {700, 900}, {400, 1000}}, 0, 3);
    ASSERT_EQ(sparse.PolygonCount, 3);
    TMemIniFile_Dot out;
    WriteUserMask(out, sparse, {.TB = 1e-10, .VDiv = 0.1, .V0 = 0});
    EXPECT_EQ(out.ReadString("COMMON", "List of Polygons", ""), "1, 2");
    const std::optional<TCurrentMask> back = ReadUserMask(out);
    ASSERT_TRUE(back.has_value()) << "the loader takes what the save wrote";
    EXPECT_EQ(back->PolygonCount, 2);

    // An empty list is a mask without polygons: the mask goes, and the message says so.
    rig.Write("[COMMON]\nSignature=User Mask\nTime by Division=1e-10\nValue by Division=0.1\nList of Polygons=\n");
    rig.Run("Mask:LoadUser");
    EXPECT_EQ(rig.Mask().PolygonCount(), 0);
    ASSERT_EQ(rig.Messages.size(), 1u);
    EXPECT_EQ(rig.Messages[0], "The mask file \"" + rig.File().string() + "\" lists no polygons: the mask is erased");
}

}  // namespace
}  // namespace vt::test
