#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/IniFiles.h"
#include "core/TextFiles.h"
#include "core/temp_folder.h"
#include "link/InstrumentList.h"

using namespace vt;
using namespace std::string_literals;

namespace {

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TListFixture : ::testing::Test {
    test::TempFolder Temp;
    std::filesystem::path File = Temp / "Configuration.ini";
    void Write(const std::string& text) { std::ofstream(File, std::ios::binary) << text; }
    TMemIniFile_Dot Ini() const { return TMemIniFile_Dot(File); }
};

}  // namespace

TEST_F(TListFixture, AMissingFileGetsTheFourDefaultsAndTheStartUnitAndLoadsAgainUnchanged) {
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Name(0), "Absent");
    EXPECT_EQ(list.Name(1), "Default Demo");
    EXPECT_EQ(list.Name(2), "Default LAN");
    EXPECT_EQ(list.Name(3), "Default USB");
    EXPECT_EQ(list.Prop(2).Kind, TInstrumentLinkKind::Tcp);
    EXPECT_EQ(IpAddressToText(list.Prop(2).IpAddress), "192.168.0.221");
    EXPECT_EQ(list.StartUnit(), "Default Auto");
    EXPECT_EQ(list.LastSmartInstrument(), "Default USB");

    const auto ini = Ini();
    EXPECT_EQ(ini.ReadString("Default LAN Instrument", "Interface", ""), "LAN");
    EXPECT_EQ(ini.ReadString("Default LAN Instrument", "IP Address", ""), "192.168.0.221");
    EXPECT_EQ(ini.ReadString("Default USB Instrument", "Interface", ""), "USB");
    EXPECT_FALSE(ini.ValueExists("Default USB Instrument", "IP Address"));
    EXPECT_EQ(ini.ReadString("Absent Instrument", "Interface", ""), "None");
    EXPECT_EQ(ini.ReadString("Default Demo Instrument", "Interface", ""), "Demo");
    EXPECT_TRUE(ini.ValueExists("Absent Instrument", "Name"));
    EXPECT_EQ(ini.ReadString("COMMON", "Start Unit", ""), "Default Auto");
    EXPECT_EQ(ini.ReadString("COMMON", "Last Smart Instrument", ""), "Default USB");

    const std::string first = ReadAll(File);
    const auto stamp = std::filesystem::last_write_time(File);
    TInstrumentList again(File);
    again.LoadInstrumentList({});
    EXPECT_EQ(ReadAll(File), first);
    EXPECT_EQ(std::filesystem::last_write_time(File), stamp) << "a sound file is not rewritten";
}

TEST_F(TListFixture, DefaultsAreRepairedAndSectionsThatCannotBeReadAreLeftAsTheyStand) {
    Write("[COMMON]\nStart Unit=instrument1\nLast Smart Instrument=Instrument1\n"
          "[Default LAN Instrument]\nName=Bench\nInterface=LAN\nIP Address=10.1.1.1\n"
          "[Instrument2 Instrument]\nName=x\nInterface=USB\n"
          "[Instrument3 Instrument]\nName=wrapped\nInterface=LAN\nIP Address=192.168.0.300\n"
          "[Instrument1 Instrument]\nName=Lab A\nInterface=lan\nIP Address=10.0.0.5\n"
          "[Demo1 Instrument]\nName=\nInterface=Demo\nIP Address=1.2.3.4\n"
          "[Demo2 Instrument]\nName=Spare\nInterface=Demo\n"
          "[demo3 Instrument]\nInterface=Demo\n"
          "[Foo]\nA=1\n"
          "[Absent]\nInterface=None\n");
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
    EXPECT_EQ(names, (std::vector<std::string>{"Absent", "Default Demo", "Default LAN", "Default USB", "Demo2",
                                               "Instrument1", "Instrument3"}));
    const TInstrumentProp& unusable = list.Prop(list.IndexOf("Instrument3"));
    EXPECT_EQ(unusable.Kind, TInstrumentLinkKind::Tcp);
    EXPECT_FALSE(unusable.IpAddress.Valid) << "an address no reading accepts is not wrapped into another one";
    EXPECT_EQ(unusable.IpAddressText, "192.168.0.300");
    const int lan = list.IndexOf("default lan");
    EXPECT_EQ(list.Prop(lan).Label, "Bench") << "a repaired default keeps its label";
    EXPECT_EQ(IpAddressToText(list.Prop(lan).IpAddress), "192.168.0.221");
    EXPECT_EQ(list.StartUnit(), "Instrument1");

    const auto ini = Ini();
    EXPECT_EQ(ini.ReadString("Default LAN Instrument", "IP Address", ""), "192.168.0.221");
    EXPECT_EQ(ini.ReadString("Default LAN Instrument", "Name", ""), "Bench");
    // The user's sections are never deleted: a mistake in one can be mended by hand.
    for (const char* kept : {"Instrument2 Instrument", "Instrument3 Instrument", "Demo1 Instrument",
                             "demo3 Instrument", "Foo", "Absent"})
        EXPECT_TRUE(ini.SectionExists(kept)) << kept;
    EXPECT_EQ(ini.ReadString("Instrument3 Instrument", "IP Address", ""), "192.168.0.300");
    EXPECT_TRUE(ini.SectionExists("Absent Instrument"));
    EXPECT_EQ(ini.ReadString("COMMON", "Last Smart Instrument", ""), "Default USB")
        << "the start unit's spelling changed, so COMMON was written again";
}

TEST_F(TListFixture, SaveAndLoadRoundTripKeepsEntriesAndStartUnit) {
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    TInstrumentProp prop;
    prop.Kind = TInstrumentLinkKind::Tcp;
    prop.Label = "Lab A";
    ASSERT_TRUE(ParseIpAddress("10.0.0.5", prop.IpAddress));
    list.Add("Instrument2", prop);
    list.Add("Demo2", TInstrumentProp{TInstrumentLinkKind::Demo, "Spare", {}, {}});
    list.SetStartUnit("Instrument2");
    list.SaveInstrumentList();

    TInstrumentList back(File);
    back.LoadInstrumentList({});
    ASSERT_EQ(back.Count(), 6);
    const int i2 = back.IndexOf("INSTRUMENT2");
    ASSERT_GE(i2, 0);
    EXPECT_EQ(back.Prop(i2).Label, "Lab A");
    EXPECT_EQ(IpAddressToText(back.Prop(i2).IpAddress), "10.0.0.5");
    EXPECT_EQ(back.InstrumentDisplayName(i2), "Lab A  [Instrument2]");
    EXPECT_EQ(back.InstrumentDisplayName(back.IndexOf("Absent")), "Absent");
    EXPECT_EQ(back.Prop(back.IndexOf("Demo2")).Kind, TInstrumentLinkKind::Demo);
    EXPECT_EQ(back.StartUnit(), "Instrument2");
    EXPECT_FALSE(Ini().ValueExists("COMMON", "Last Smart Instrument")) << "the save writes the start unit alone";
    EXPECT_FALSE(Ini().ValueExists("Demo2 Instrument", "IP Address"));
}

TEST_F(TListFixture, AFreedNameTakenAgainInOneSessionKeepsItsNewSection) {
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    list.Add("Instrument1", TInstrumentProp{TInstrumentLinkKind::Tcp, "Old", {1, {10, 0, 0, 1}}, {}});
    list.SaveInstrumentList();
    list.Delete("Instrument1");
    EXPECT_EQ(list.NewInstrumentName(), "Instrument1");
    list.Add("Instrument1", TInstrumentProp{TInstrumentLinkKind::Tcp, "New", {1, {10, 0, 0, 2}}, {}});
    list.Delete("Instrument1");
    list.Add("Instrument1", TInstrumentProp{TInstrumentLinkKind::Tcp, "Newer", {1, {10, 0, 0, 3}}, {}});
    list.SaveInstrumentList();
    EXPECT_EQ(Ini().ReadString("Instrument1 Instrument", "Name", ""), "Newer");
    EXPECT_EQ(Ini().ReadString("Instrument1 Instrument", "IP Address", ""), "10.0.0.3");

    // A plain delete does reach the file.
    list.Delete("Instrument1");
    list.SaveInstrumentList();
    EXPECT_FALSE(Ini().SectionExists("Instrument1 Instrument"));
}

TEST_F(TListFixture, CommandLineChoosesTheStartUnitAndKeepsItOutOfTheFile) {
    Write("[COMMON]\nStart Unit=Default Demo\n"
          "[Instrument4 Instrument]\nName=My Scope\nInterface=LAN\nIP Address=10.0.0.4\n");
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    std::string name;
    EXPECT_TRUE(list.StartInstrumentFromCommandLine({"default_auto"}, name));
    EXPECT_EQ(name, "Default Auto");
    EXPECT_TRUE(list.StartInstrumentFromCommandLine({"HELPCONTEXT", "my_scope"}, name));
    EXPECT_EQ(name, "Instrument4");
    EXPECT_TRUE(list.StartInstrumentFromCommandLine({"Default_Demo"}, name));
    EXPECT_EQ(name, "Default Demo");
    EXPECT_TRUE(list.StartInstrumentFromCommandLine({"--automation-port", "5025", "x", "absent"}, name));
    EXPECT_EQ(name, "Absent");
    EXPECT_FALSE(list.StartInstrumentFromCommandLine({"--home", "Absent", "Demo1", "Instrument4/.."}, name))
        << "an option's value is not a choice";

    TInstrumentList fromArgs(File);
    fromArgs.LoadInstrumentList({"My_Scope"});
    EXPECT_TRUE(fromArgs.StartFromCommandLine());
    EXPECT_EQ(fromArgs.StartUnit(), "Instrument4");
    fromArgs.SaveInstrumentList();
    EXPECT_EQ(Ini().ReadString("COMMON", "Start Unit", ""), "Default Demo");
}

TEST_F(TListFixture, LastSmartInstrumentMustBeAListedSmartInstrument) {
    Write("[COMMON]\nStart Unit=Default Auto\nLast Smart Instrument=Instrument5\n");
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    EXPECT_EQ(list.LastSmartInstrument(), "Default USB") << "an unlisted name would connect to no entry";
    Write("[COMMON]\nStart Unit=Default Auto\nLast Smart Instrument=Default Demo\n");
    list.LoadInstrumentList({});
    EXPECT_EQ(list.LastSmartInstrument(), "Default USB");
    Write("[COMMON]\nStart Unit=Default Auto\nLast Smart Instrument=default lan\n");
    list.LoadInstrumentList({});
    EXPECT_EQ(list.LastSmartInstrument(), "Default LAN");
}

TEST(InstrumentNames, ClassesOfNames) {
    for (const char* ok : {"Absent", "ABSENT", "Default USB", "default lan", "Default Demo", "Demo1", "Demo3",
                           "Instrument1", "Instrument8"})
        EXPECT_TRUE(IsValidInstrumentName(ok)) << ok;
    for (const char* bad : {"demo1", "Demo4", "Demo0", "Instrument9", "instrument1", "Instrument12", "Default Auto",
                            "Instrument1/..", "COMMON", ""})
        EXPECT_FALSE(IsValidInstrumentName(bad)) << bad;
    EXPECT_TRUE(IsSmartInstrumentName("Default Auto"));
    EXPECT_TRUE(IsSmartInstrumentName("Instrument3"));
    EXPECT_TRUE(IsSmartInstrumentName("default usb"));
    EXPECT_FALSE(IsSmartInstrumentName("Default Demo"));
    EXPECT_FALSE(IsSmartInstrumentName("Absent"));
    EXPECT_TRUE(IsDefaultOrAbsentName("absent"));
    EXPECT_TRUE(IsDefaultOrAbsentName("Default Demo"));
    EXPECT_FALSE(IsDefaultOrAbsentName("Demo2"));
}

TEST(InstrumentNames, ConsistencyAndDefaults) {
    TIpAddress a;
    TInstrumentLinkKind k;
    EXPECT_TRUE(IsConsistentInstrument("Demo2", "demo", "", a, k));
    EXPECT_EQ(k, TInstrumentLinkKind::Demo);
    EXPECT_FALSE(IsConsistentInstrument("Demo2", "Demo", "1.2.3.4", a, k));
    EXPECT_FALSE(IsConsistentInstrument("Absent", "USB", "", a, k));
    EXPECT_TRUE(IsConsistentInstrument("Default USB", "USB", "", a, k));
    EXPECT_FALSE(IsConsistentInstrument("Default USB", "Serial", "", a, k));
    EXPECT_TRUE(IsConsistentInstrument("Default LAN", "LAN", "192.168.0.221", a, k));
    EXPECT_FALSE(IsConsistentInstrument("Default LAN", "LAN", "192.168.0.222", a, k));
    EXPECT_TRUE(IsConsistentInstrument("Instrument5", "LAN", "10.20.30.40", a, k));
    EXPECT_EQ(IpAddressToText(a), "10.20.30.40");
    EXPECT_FALSE(IsConsistentInstrument("Instrument5", "LAN", "", a, k));
    EXPECT_FALSE(IsConsistentInstrument("Instrument5", "LAN", "10.20.30.256", a, k)) << "no octet wraps";
    EXPECT_FALSE(IsConsistentInstrument("Instrument5", "LAN", "10.20.30", a, k));

    DefaultInterfaceFor("Demo3", k, a);
    EXPECT_EQ(k, TInstrumentLinkKind::Demo);
    EXPECT_FALSE(a.Valid);
    DefaultInterfaceFor("Instrument1", k, a);
    EXPECT_EQ(k, TInstrumentLinkKind::Tcp);
    EXPECT_EQ(IpAddressToText(a), "192.168.0.221");
    EXPECT_EQ(ArgForm("My Scope;[x]\r\n\"q\""), "MY_SCOPE__X____Q_");
}

TEST_F(TListFixture, NewNamesAreTheFirstFreeOnes) {
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    EXPECT_EQ(list.NewInstrumentName(), "Instrument1");
    EXPECT_EQ(list.NewDemoName(), "Demo2");
    for (char d = '1'; d <= '8'; ++d)
        list.Add(std::string("Instrument") + d, TInstrumentProp{TInstrumentLinkKind::Tcp, "", {1, {10, 0, 0, 7}}, {}});
    list.Add("Demo2", {TInstrumentLinkKind::Demo, "", {}, {}});
    list.Add("Demo3", {TInstrumentLinkKind::Demo, "", {}, {}});
    EXPECT_EQ(list.NewInstrumentName(), "");
    EXPECT_EQ(list.NewDemoName(), "");
    EXPECT_TRUE(list.IsIPAddressUsed(TIpAddress{1, {10, 0, 0, 7}}));
    EXPECT_FALSE(list.IsIPAddressUsed(TIpAddress{1, {10, 0, 0, 8}}));
    EXPECT_THROW(list.Add("demo2", {}), std::exception) << "a duplicate name is an error";
}

// Addresses written with blanks read as the instrument's reader reads them; one that no reading
// accepts keeps its entry unusable; a start and a save leave all three sections byte for byte.
TEST_F(TListFixture, AddressesTheUserWroteSurviveAStartAndARewrite) {
    const std::string sections = "[Instrument1 Instrument]\nName=blanks\nInterface=LAN\nIP Address=10 0 0 2\n"
                                 "[Instrument2 Instrument]\nName=spaced\nInterface=LAN\nIP Address=10 . 0 . 0 . 3\n"
                                 "[Instrument4 Instrument]\nName=high\nInterface=LAN\nIP Address=300.1.1.1\n";
    Write(sections);
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    EXPECT_EQ(IpAddressToText(list.Prop(list.IndexOf("Instrument1")).IpAddress), "10.0.0.2");
    EXPECT_EQ(IpAddressToText(list.Prop(list.IndexOf("Instrument2")).IpAddress), "10.0.0.3");
    EXPECT_FALSE(list.Prop(list.IndexOf("Instrument4")).IpAddress.Valid);
    list.SaveInstrumentList();
    TInstrumentList again(File);
    again.LoadInstrumentList({});
    again.SaveInstrumentList();
    const std::string text = ReadAll(File);
    for (const char* section : {"[Instrument1 Instrument]\nName=blanks\nInterface=LAN\nIP Address=10 0 0 2\n",
                                "[Instrument2 Instrument]\nName=spaced\nInterface=LAN\nIP Address=10 . 0 . 0 . 3\n",
                                "[Instrument4 Instrument]\nName=high\nInterface=LAN\nIP Address=300.1.1.1\n"})
        EXPECT_NE(text.find(section), std::string::npos) << section << "\nin\n" << text;

    TIpAddress a;
    EXPECT_FALSE(ParseIpAddress("10 0 0", a));
    EXPECT_FALSE(ParseIpAddress("10.0.0.2.5", a));
    EXPECT_FALSE(ParseIpAddress("10.0.0.x", a));
    EXPECT_TRUE(ParseIpAddress(" 127 . 0 . 0 . 1 ", a));
    EXPECT_EQ(IpAddressToText(a), "127.0.0.1");
}

TEST_F(TListFixture, An8BitFileBehindAUtf16MarkIsReadAndItsOriginalKeptBeforeTheRewrite) {
    // An editor put the UTF-16 mark in front of 8-bit text (with a Latin-1 "µ" in a label).
    const std::string original = "\xFF\xFE[Instrument1 Instrument]\r\nName=bench \xB5wave\r\nInterface=LAN\r\n"
                                 "IP Address=127.0.0.1\r\n";
    Write(original);
    TInstrumentList list(File);
    list.LoadInstrumentList({});
    const int index = list.IndexOf("Instrument1");
    ASSERT_GE(index, 0) << "the user's instrument is kept";
    EXPECT_EQ(list.Prop(index).Label, "bench \xC2\xB5wave");
    EXPECT_EQ(IpAddressToText(list.Prop(index).IpAddress), "127.0.0.1");
    // The defaults were added, so the file was rewritten: the original is beside it, untouched.
    EXPECT_EQ(ReadAll(Temp / "Configuration.ini.bak"), original);
    EXPECT_EQ(Ini().ReadString("Instrument1 Instrument", "Name", ""), "bench \xC2\xB5wave");
    EXPECT_TRUE(Ini().ReadWhole());
    // The rewritten file is sound: the next rewrite keeps no copy over the first one.
    std::filesystem::remove(Temp / "Configuration.ini.bak");
    list.SaveInstrumentList();
    EXPECT_FALSE(std::filesystem::exists(Temp / "Configuration.ini.bak"));

    // A real UTF-16 file is still read as such, whole; a lone surrogate in one is not whole.
    const std::string utf16 = EncodeUtf16LEWithBom("[A]\nk=v\xE2\x82\xAC\n");
    bool whole = false;
    EXPECT_EQ(DecodeText(utf16, &whole), "[A]\nk=v\xE2\x82\xAC\n");
    EXPECT_TRUE(whole);
    EXPECT_EQ(DecodeText("\xFE\xFF\x00[\x00" "A\x00]"s, &whole), "[A]");
    EXPECT_TRUE(whole);
    DecodeText(utf16 + "\x00\xD8\x41\x00"s, &whole);
    EXPECT_FALSE(whole);
    EXPECT_EQ(DecodeText("\xFF\xFE[A]"s, &whole), "[A]") << "no ASCII in UTF-16: 8-bit";
    EXPECT_FALSE(whole);
    EXPECT_EQ(DecodeText("\xFF\xFE" "A\0B"s, &whole), "A") << "an odd last byte is dropped";
    EXPECT_FALSE(whole);
}
