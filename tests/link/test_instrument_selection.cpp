#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/temp_folder.h"
#include "link/InstrumentSelection.h"

using namespace vt;

TEST(InstrumentShortcut, ADisplayTextGivesTheDesktopEntryThatStartsTheProgramOnItsInstrument) {
    const TInstrumentShortcut lab = MakeInstrumentShortcut("Lab A  [Instrument2]", "/opt/vlt/veltrane", {});
    EXPECT_EQ(lab.FileName, "VLT500 - Lab A.desktop");
    EXPECT_NE(lab.Text.find("\nExec=\"/opt/vlt/veltrane\" \"Instrument2\"\n"), std::string::npos) << lab.Text;
    EXPECT_NE(lab.Text.find("\nPath=/opt/vlt\n"), std::string::npos) << lab.Text;
    EXPECT_TRUE(lab.Text.starts_with("[Desktop Entry]\n"));

    // Without brackets label and name are the whole text; a data root of its own goes along.
    const TInstrumentShortcut autoStart = MakeInstrumentShortcut("Default Auto", "/opt/vlt/veltrane", "/data/my $root");
    EXPECT_EQ(autoStart.FileName, "VLT500 - Default Auto.desktop");
    EXPECT_NE(autoStart.Text.find("Exec=\"/opt/vlt/veltrane\" --home \"/data/my \\\\$root\" \"Default_Auto\"\n"),
              std::string::npos)
        << autoStart.Text;

    // The free label never leaves the desktop folder nor breaks the entry's lines.
    const TInstrumentShortcut odd = MakeInstrumentShortcut("../x/y\nz  [Instrument3]", "/p/veltrane", {});
    EXPECT_EQ(odd.FileName, "VLT500 - .._x_y_z.desktop");

    test::TempFolder temp;
    std::filesystem::path written;
    ASSERT_TRUE(WriteInstrumentShortcut(temp / "Desktop", lab, written));
    EXPECT_EQ(written, temp / "Desktop" / "VLT500 - Lab A.desktop");
    const auto perms = std::filesystem::status(written).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all, static_cast<std::filesystem::perms>(0755));
    std::stringstream text;
    text << std::ifstream(written).rdbuf();
    EXPECT_EQ(text.str(), lab.Text);
}

TEST(InstrumentSelection, NamesOfDisplayTextsAndAddressesTypedForAnEntry) {
    EXPECT_EQ(InstrumentNameOfDisplayText("Lab A  [Instrument2]"), "Instrument2");
    EXPECT_EQ(InstrumentNameOfDisplayText("Default Demo"), "Default Demo");
    EXPECT_EQ(InstrumentLabelOfDisplayText(" Lab A  [Instrument2]"), "Lab A");

    test::TempFolder temp;
    TInstrumentList list(temp / "Configuration.ini");
    list.LoadInstrumentList({});
    TInstrumentProp bench{.Kind = TInstrumentLinkKind::Tcp, .Label = "Bench", .IpAddress = {1, {10, 0, 0, 2}}, .IpAddressText = {}};
    list.Add("Instrument1", bench);
    TIpAddress a;
    EXPECT_EQ(CheckInstrumentAddress(list, "1.2.3", {}, a), "Incorrect IP: 1.2.3");
    EXPECT_EQ(CheckInstrumentAddress(list, "300.1.1.1", {}, a), "Incorrect IP: 300.1.1.1");
    EXPECT_EQ(CheckInstrumentAddress(list, "10.0.0.2", {}, a), "IP Address 10.0.0.2 is used in the System");
    EXPECT_EQ(CheckInstrumentAddress(list, "192.168.0.221", "Instrument1", a),
              "IP Address 192.168.0.221 is used in the System")
        << "editing to an address of another entry is refused too";
    EXPECT_EQ(CheckInstrumentAddress(list, "  10 . 0 . 0 . 2", "Instrument1", a), "") << "its own address";
    EXPECT_EQ(CheckInstrumentAddress(list, "10.0.0.3", {}, a), "");
    EXPECT_EQ(IpAddressToText(a), "10.0.0.3");
}
