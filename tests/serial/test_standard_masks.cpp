// Stored standard masks: a standards tree is listed in its display order with each standard's masks
// sorted by bit rate, a remote choice loads the mask at the polygons its table gives (one undo step)
// and with its margin, files that fail keep the mask and say so, and the shipped standards are
// written once and test the eye's centre only.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "MaskTestSupport.h"
#include "core/IniFiles.h"
#include "core/SettingReaders.h"
#include "core/UserServices.h"
#include "serial/MaskStandards.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;

struct TErrorLog : TUserServices {
    std::vector<std::string>* Messages = nullptr;
    void ShowErrorDlg(const std::string& text) override { Messages->push_back(text); }
    // The lists are read at the start-up: their problems come in boxes that hold nothing.
    void ShowNonModalError(const std::string& text) override { Messages->push_back("box: " + text); }
};

struct TStandardsRig : TMaskRig {
    explicit TStandardsRig(const fs::path& root) : Root(root) {
        auto log = std::make_unique<TErrorLog>();
        log->Messages = &Messages;
        Shell.SetUserServices(std::move(log));
        TSpider& tree = Shell.CommandTree()->Root();
        tree.AddRadioHandler("TB:Mode", {.Items = "A,AB,B"});
        tree.AddDoubleEditHandler("TB:ScaleA", {.Initial = 1e-9, .Config = {.Maximum = 1}});
        tree.AddDoubleEditHandler("TB:ScaleB", {.Initial = 1e-9, .Config = {.Maximum = 1}});
        tree.AddDoubleEditHandler("TB:Delay", {.Initial = 5, .Config = {.Maximum = 100}});
        Shell.Folders.StdMaskFolder = Root.string() + "/";
    }
    void Write(const fs::path& relative, const std::string& text) {
        fs::create_directories((Root / relative).parent_path());
        std::ofstream(Root / relative, std::ios::binary) << text;
    }
    const TCurrentMask& Current() { return Mask().Mask(); }
    // Screen point of a mask vertex.
    std::pair<double, double> Vertex(int slot, int i) {
        const TMaskPolyRec& p = Current().Polygons[static_cast<std::size_t>(slot)];
        return {p.X[static_cast<std::size_t>(i)], p.Y[static_cast<std::size_t>(i)]};
    }
    bool Hits(int column, int row) { return Mask().MaskObject() && Mask().MaskObject()->HitMask(column, row) != 0; }
    fs::path Root;
    std::vector<std::string> Messages;
};

struct TTempDir {
    explicit TTempDir(const std::string& name)
        : Path(fs::temp_directory_path() / ("vt-" + name + "-" + std::to_string(::getpid()))) {
        fs::remove_all(Path);
        fs::create_directories(Path);
    }
    ~TTempDir() {
        std::error_code ec;
        fs::permissions(Path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(Path, ec);
    }
    fs::path Path;
};

std::string EyeMask(const std::string& name, const std::string& rate, const std::string& margins = "") {
    return "[COMMON]\nSignature=Standard Mask\nMask Name=" + name + "\nBit Rate=" + rate +
           "\nType of Mask=eye\nType of Line=NRZ\nType of Margins=" + margins +
           "\nList of Polygons=1\n[Polygon 1]\nNumber of Vertex=4\nVertex 1=0.25, 0.25\nVertex 2=0.75, 0.25\n"
           "Vertex 3=0.75, 0.75\nVertex 4=0.25, 0.75\n";
}

std::string TextRegion(int n, const std::string& role, const std::vector<std::string>& vertices) {
    std::string s = "/* Region Number         */  " + std::to_string(n) + "\n/* Region Type           */  " + role +
                    "\n/* Number of vertices    */  " + std::to_string(vertices.size()) + "\n";
    for (const std::string& v : vertices) s += v + "\n";
    return s;
}

// A query's reply after its header.
std::string Reply(TStandardsRig& rig, const std::string& query) {
    const std::string reply = rig.Run(query);
    return reply.substr(std::min(reply.find(' '), reply.size()));
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(StandardMasks, TreeListedInOrderAndChosenMaskLoadsAtItsTablePolygons) {
    TTempDir dir("std-masks");
    TStandardsRig rig(dir.Path);
    // "Missing" names no folder: the keys after it still place theirs.
    rig.Write("StandardMasks.ini", "[RANGE]\n1=Missing\n2=Zeta SONET\n3=Alpha\n");
    rig.Write("Alpha/Standard.ini", "[COMMON]\nStandard Name=\n");
    rig.Write("Alpha/one.MSK", EyeMask("Fast", "2.5 Gbps"));
    rig.Write("Beta/Standard.ini", "[COMMON]\nStandard Name=Beta\n");
    rig.Write("Beta/other.msk", "[COMMON]\nSignature=Something Else\n");
    rig.Write("Zeta SONET/standard.INI", "[COMMON]\nStandard Name=Optical\n");
    rig.Write("Zeta SONET/b.msk", EyeMask("B", "155.52 Mbit/s"));
    rig.Write("Zeta SONET/a.msk", EyeMask("A", "155.52 Mbit/s", " square "));
    rig.Write("Zeta SONET/slow.msk", EyeMask("Slow", "100 bps"));
    rig.Write("Zeta SONET/noname.msk", EyeMask("", "1 kbps"));
    rig.Write("Zeta SONET/norate.msk", EyeMask("NoRate", ""));
    rig.Write("Zeta SONET/zero.msk", EyeMask("Zero", "0 Gbps"));
    rig.Write("Zeta SONET/foreign.msk", "[COMMON]\nSignature=User Mask\n");
    // A text mask: two mask regions, one outer margin (so no margins), 1 ns bit period.
    rig.Write("Zeta SONET/text.msk", "\n  MASK_FILE_VLT500  \n\"Text eye\"\n:MTES:SCAL:XDEL 1e-9\n" +
                                         TextRegion(1, "STD", {"0.4, 0.5", "0.5, 0.6", "0.6, 0.5,", "0.5, 0.4"}) +
                                         TextRegion(1, "MARGIN_MAX", {"0.3, 0.5", "0.5, 0.7", "0.7, 0.5", "0.5, 0.3"}) +
                                         TextRegion(2, "STD", {"0, 1.2", "1, 1.2", "0.5, MAX"}));

    rig.Shell.Serial().RefreshStdMaskFamily();
    const TListOfStandards& stds = rig.Mask().Standards();
    ASSERT_EQ(stds.Count(), 3);
    EXPECT_EQ(stds.GetFolder(0), "Zeta SONET");
    EXPECT_EQ(stds.GetFolder(1), "Alpha");
    EXPECT_EQ(stds.GetFolder(2), "Beta");
    EXPECT_EQ(stds.GetNumber(2), -1);  // holds no mask
    EXPECT_EQ(stds.IndexOfNumber(1), 1);
    EXPECT_EQ(stds.IndexOfNumber(2), NoStandardIndex);
    // The empty display name became the folder's, written back.
    EXPECT_EQ(TMemIniFile_Dot(dir.Path / "Alpha/Standard.ini").ReadString("COMMON", "Standard Name", ""), "Alpha");
    // The reply's last ";" goes with the message end.
    EXPECT_EQ(Reply(rig, "StdMask:StdsList?"), " =\r\n0: Optical;\r\n1: Alpha");
    EXPECT_EQ(rig.Mask().StdHelpTopic(), 981);

    // Sorted by bit rate, equal rates by name; the two files without a rate are skipped and named.
    EXPECT_EQ(Reply(rig, "StdMask:MasksList?"),
              " =\r\n0: Slow;   100 bps;   NRZ;\r\n1: noname;   1 kbps;   NRZ;\r\n2: A;   155.52 Mbit/s;   NRZ;"
              "\r\n3: B;   155.52 Mbit/s;   NRZ;\r\n4: Text eye;   1 Gbps");
    EXPECT_EQ(rig.Messages, (std::vector<std::string>{"box: No Bit Rate in Mask File norate.msk",
                                                      "box: No Bit Rate in Mask File zero.msk"}));
    EXPECT_EQ(TMemIniFile_Dot(dir.Path / "Zeta SONET/noname.msk").ReadString("COMMON", "Mask Name", ""), "noname");
    const TListOfMasksInCurrentStandard& masks = rig.Mask().StandardMasks();
    EXPECT_DOUBLE_EQ(masks.At(0)->BitRate, 100);
    EXPECT_DOUBLE_EQ(masks.At(2)->BitRate, 1.5552e8);
    EXPECT_EQ(masks.At(2)->MarginByte, mtSquare);
    EXPECT_EQ(masks.At(4)->MarginByte, TextMaskNoMargins);
    EXPECT_EQ(masks.At(5), nullptr);
    EXPECT_EQ(ParseBitRate("2.5 Gbps").value_or(0), 2.5e9);

    // A remote choice loads "A": (x, y) in unit intervals and amplitude lands at x * 2400 + 800,
    // (y / 2 + 1 / 4) * 1024.
    rig.Messages.clear();
    rig.Run("StdMask:MaskIndex 2");
    ASSERT_TRUE(rig.Messages.empty());
    EXPECT_EQ(rig.Current().Kind, mkStdEye);
    EXPECT_EQ(rig.Current().MskNm, "A");
    EXPECT_EQ(rig.Current().StdI, 0);
    EXPECT_EQ(rig.Current().MskI, 2);
    ASSERT_EQ(rig.Current().PolygonCount, 1);
    EXPECT_EQ(rig.Vertex(0, 0), std::make_pair(1400.0, 384.0));
    EXPECT_EQ(rig.Vertex(0, 2), std::make_pair(2600.0, 640.0));
    EXPECT_TRUE(rig.Hits(2000, 512));
    EXPECT_FALSE(rig.Hits(1300, 512));
    // A square margin may be chosen for it; MarginsVal follows MarginsOn.
    ASSERT_FALSE(rig.Shell.CommandTree()->Root().FindHandler("StdMask:MarginsOn")->IsDisabled());

    // Margin 50 %: each vertex half-way out to the eye's edge, (0.25, 0.25) -> (0.125, 0.125).
    rig.Run("StdMask:MarginsOn ON");
    rig.Run("StdMask:MarginsVal 50");
    EXPECT_EQ(rig.Current().Marg, 50);
    ASSERT_EQ(rig.Current().MarginPolygonCount, 1);
    EXPECT_EQ(rig.Vertex(4, 0), std::make_pair(1100.0, 320.0));
    EXPECT_EQ(rig.Vertex(0, 0), std::make_pair(1400.0, 384.0));

    // Align: the timebase shows one bit period in six divisions of timebase B.
    rig.Run("StdMask:Align ON");
    EXPECT_NEAR(ReadRealSetting(rig.Shell.CommandTree(), "TB:ScaleB", 0), 1 / 155.52e6 / 6, 1e-14);
    EXPECT_EQ(ReadChoiceSetting(rig.Shell.CommandTree(), "TB:Mode", 0), 2);

    // The text mask: the first region is not centred (no vertex left of 0), "0.5, MAX" at the top.
    rig.Run("StdMask:MaskIndex 4");
    ASSERT_EQ(rig.Current().MskNm, "Text eye");
    ASSERT_EQ(rig.Current().PolygonCount, 2);
    EXPECT_EQ(rig.Current().Marg, 0);  // margins cannot be chosen for it
    EXPECT_TRUE(rig.Shell.CommandTree()->Root().FindHandler("StdMask:MarginsOn")->IsDisabled());
    EXPECT_EQ(rig.Vertex(0, 0), std::make_pair(1760.0, 512.0));
    EXPECT_EQ(rig.Vertex(1, 2), std::make_pair(2000.0, 1023.0));
    EXPECT_DOUBLE_EQ(rig.Current().BitP, 1e-9);

    // One undo step takes the mask back to "A" with its margin.
    rig.Undo();
    EXPECT_EQ(rig.Current().MskNm, "A");
    EXPECT_EQ(rig.Current().Marg, 50);

    // The other standard: its list, help topic and the mask shown as not chosen there.
    rig.Run("StdMask:StdIndex 1");
    EXPECT_EQ(rig.Mask().StdHelpTopic(), 980);
    EXPECT_EQ(Reply(rig, "StdMask:MasksList?"), " =\r\n0: Fast;   2.5 Gbps;   NRZ");
    EXPECT_EQ(ReadRealSetting(rig.Shell.CommandTree(), "StdMask:MaskIndex", 0), -1);
}

TEST(StandardMasks, FilesThatFailKeepTheMaskAndSaySo) {
    TTempDir dir("std-faults");
    TStandardsRig rig(dir.Path);
    const std::string head = "[COMMON]\nSignature=Standard Mask\nBit Rate=1 Gbps\nType of Mask=EYE\n";
    rig.Write("S/a good.msk", EyeMask("Good", "1 Gbps"));
    rig.Write("S/b broken.msk", head + "Mask Name=Broken\nList of Polygons=1, 2\n[Polygon 1]\nNumber of Vertex=3\n"
                                       "Vertex 1=0.1, 0.1\nVertex 2=0.9, 0.1\nVertex 3=0.5, 0.9\n"
                                       "[Polygon 2]\nNumber of Vertex=3\nVertex 1=0.1, 0.1\nVertex 2=0.9\nVertex 3=0.5, 0.9\n");
    rig.Write("S/c huge.msk", head + "Mask Name=Huge\nList of Polygons=1\n[Polygon 1]\nNumber of Vertex=1000000000\n"
                                     "Vertex 1=0.1, 0.1\n");
    rig.Write("S/d pulse.msk", "[COMMON]\nSignature=Standard Mask\nBit Rate=1 Gbps\nType of Mask=Pulse\n"
                              "Mask Name=Pulse\nTime by Division=fast\n"
                                      "Value by Division=0.1\nList of Polygons=1\n[Polygon 1]\nNumber of Vertex=3\n"
                                      "Vertex 1=0, 0\nVertex 2=1, 0\nVertex 3=0.5, 0.1\n");
    // A band from x = 0 in the first region does not centre the file: the later triangle stays put.
    rig.Write("S/e band.msk", "MASK_FILE_VLT500\n\"Band\"\n:MTES:SCAL:XDEL 1e-9\n" +
                                  TextRegion(1, "STD", {"0, 1.1", "1, 1.1", "1, MAX", "0, MAX"}) +
                                  TextRegion(2, "STD", {"0.4, 0.5", "0.5, 0.6", "0.6, 0.5"}));
    // A centred file: a mask vertex left of 0 puts x = 0 at the eye's middle.
    rig.Write("S/f centred.msk", "MASK_FILE_VLT500\n\"Centred\"\n:MTES:SCAL:XDEL 1e-9\n" +
                                     TextRegion(1, "STD", {"-0.5, 0.5", "0, 0.6", "0.5, 0.5"}));
    // Not text masks: a margin region with another vertex count, a vertex count past the lines, no period.
    rig.Write("S/g mismatch.msk", "MASK_FILE_VLT500\n:MTES:SCAL:XDEL 1e-9\n" +
                                      TextRegion(1, "STD", {"0.4, 0.5", "0.5, 0.6", "0.6, 0.5"}) +
                                      TextRegion(1, "MARGIN_MAX", {"0.3, 0.5", "0.7, 0.5"}));
    rig.Write("S/h short.msk", "MASK_FILE_VLT500\n:MTES:SCAL:XDEL 1e-9\n/* Region Number         */  1\n"
                               "/* Region Type           */  STD\n/* Number of vertices    */  9\n0.4, 0.5\n");
    rig.Write("S/i noperiod.msk", "MASK_FILE_VLT500\n" + TextRegion(1, "STD", {"0.4, 0.5", "0.5, 0.6", "0.6, 0.5"}));
    rig.Shell.Serial().RefreshStdMaskFamily();
    const TListOfMasksInCurrentStandard& masks = rig.Mask().StandardMasks();
    ASSERT_EQ(masks.Count(), 6);
    // 1 / 1e-9 s falls a hair below 1e9 yet is the same rate: the six sort by name.
    std::vector<std::string> names;
    for (int i = 0; i < masks.Count(); ++i) names.push_back(masks.At(i)->MaskName);
    EXPECT_EQ(names, (std::vector<std::string>{"Band", "Broken", "Centred", "Good", "Huge", "Pulse"}));

    // Remote -1 selects nothing and loads nothing.
    rig.Run("StdMask:MaskIndex 3");
    ASSERT_EQ(rig.Current().MskNm, "Good");
    const std::string good = rig.State();
    rig.Run("StdMask:MaskIndex -1");
    EXPECT_EQ(rig.State(), good);

    // Broken polygon, unbounded vertex count, pulse scale that is no number: the mask stays, each says
    // so, and the index names the mask still in use.
    const auto index = [&rig] { return ReadRealSetting(rig.Shell.CommandTree(), "StdMask:MaskIndex", 0); };
    for (int position : {1, 4, 5}) {
        rig.Messages.clear();
        rig.Run("StdMask:MaskIndex " + std::to_string(position));
        EXPECT_EQ(rig.State(), good) << position;
        EXPECT_EQ(index(), 3) << position;
        ASSERT_EQ(rig.Messages.size(), 1u) << position;
        EXPECT_NE(rig.Messages[0].find(masks.At(position)->FileName), std::string::npos) << rig.Messages[0];
    }
    rig.Messages.clear();
    rig.Run("StdMask:MaskIndex 0");
    ASSERT_TRUE(rig.Messages.empty());
    ASSERT_EQ(rig.Current().PolygonCount, 2);
    EXPECT_EQ(rig.Vertex(0, 0), std::make_pair(800.0, 819.2));   // (0, 1.1)
    EXPECT_EQ(rig.Vertex(1, 1), std::make_pair(2000.0, 563.2));  // (0.5, 0.6), not moved to column 3200
    rig.Run("StdMask:MaskIndex 2");
    EXPECT_EQ(rig.Vertex(0, 0), std::make_pair(800.0, 512.0));
    EXPECT_EQ(rig.Vertex(0, 1), std::make_pair(2000.0, 563.2));

    // A standard whose only mask has no bit rate has no usable mask: it is skipped, once with its
    // message. A mask of another type is listed but cannot load, and says so.
    const int withMasks = rig.Mask().Standards().WithMasks();
    rig.Write("T/e.msk", EyeMask("NoRate", ""));
    rig.Write("U/x.msk", "[COMMON]\nSignature=Standard Mask\nMask Name=X\nBit Rate=1 Gbps\nType of Mask=Other\n");
    rig.Messages.clear();
    rig.Shell.Serial().RefreshStdMaskFamily();
    rig.Shell.Serial().RefreshStdMaskFamily();
    EXPECT_EQ(rig.Mask().Standards().WithMasks(), withMasks + 1);
    EXPECT_EQ(rig.Mask().Standards().GetNumber(rig.Mask().Standards().Count() - 2), -1) << "T is skipped";
    EXPECT_EQ(rig.Messages,
              std::vector<std::string>{"box: No Bit Rate in Mask File e.msk: the standard T is skipped"});
    const std::string centred = rig.State();
    rig.Run("StdMask:StdIndex " + std::to_string(withMasks));
    ASSERT_EQ(masks.Count(), 1);
    rig.Messages.clear();
    rig.Run("StdMask:MaskIndex 0");
    EXPECT_EQ(rig.State(), centred);
    EXPECT_EQ(rig.Messages.size(), 1u);
    EXPECT_EQ(index(), -1) << "the mask in use belongs to another standard";
}

TEST(ShippedStandardMasks, WrittenOnceAndEveryEyeMaskTestsOnlyTheEyeCentre) {
    TTempDir dir("std-shipped");
    {
        TStandardsRig first(dir.Path);
        first.Shell.Serial().RefreshStdMaskFamily();
        ASSERT_TRUE(first.Messages.empty());
    }
    ASSERT_TRUE(fs::exists(dir.Path / "StandardMasks.ini"));
    std::vector<std::pair<fs::path, std::string>> files;
    for (const auto& e : fs::recursive_directory_iterator(dir.Path))
        if (e.is_regular_file()) files.emplace_back(e.path(), ReadAll(e.path()));
    // A user's change to a shipped file survives the next start, and nothing is added.
    const fs::path changed = dir.Path / "StandardMasks.ini";
    std::ofstream(changed, std::ios::binary) << "[RANGE]\n";
    TStandardsRig rig(dir.Path);
    rig.Shell.Serial().RefreshStdMaskFamily();
    std::size_t count = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.Path)) count += e.is_regular_file();
    EXPECT_EQ(count, files.size());
    EXPECT_EQ(ReadAll(changed), "[RANGE]\n");
    for (const auto& [path, text] : files) {
        if (path == changed) continue;
        EXPECT_EQ(ReadAll(path), text) << path;
    }

    const TListOfStandards& stds = rig.Mask().Standards();
    int eyeMasks = 0;
    for (int s = 0; s < stds.WithMasks(); ++s) {
        rig.Run("StdMask:StdIndex " + std::to_string(s));
        const TListOfMasksInCurrentStandard& masks = rig.Mask().StandardMasks();
        ASSERT_GT(masks.Count(), 0);
        for (int i = 0; i < masks.Count(); ++i) {
            rig.Run("StdMask:MaskIndex " + std::to_string(i));
            ASSERT_TRUE(rig.Messages.empty()) << rig.Messages[0];
            ASSERT_EQ(rig.Current().MskI, i);
            if (masks.At(i)->Type != smtEye) continue;
            ++eyeMasks;
            // (x, y) in unit intervals and amplitude at (x * 2400 + 800, (y / 2 + 1 / 4) * 1024).
            EXPECT_TRUE(rig.Hits(2000, 512)) << masks.At(i)->MaskName;      // (0.5, 0.5)
            EXPECT_FALSE(rig.Hits(2000, 266)) << masks.At(i)->MaskName;     // (0.5, 0.02)
            EXPECT_FALSE(rig.Hits(2000, 758)) << masks.At(i)->MaskName;     // (0.5, 0.98)
            EXPECT_FALSE(rig.Hits(800, 512)) << masks.At(i)->MaskName;      // (0, 0.5)
            EXPECT_FALSE(rig.Hits(3200, 512)) << masks.At(i)->MaskName;     // (1, 0.5)
            EXPECT_TRUE(rig.Hits(2000, 1000)) << masks.At(i)->MaskName;     // far above the one level
            EXPECT_TRUE(rig.Hits(2000, 20)) << masks.At(i)->MaskName;       // far below the zero level
        }
    }
    EXPECT_GE(eyeMasks, 2);
}

}  // namespace
}  // namespace vt::test
