// Where the names given to the file-name settings land, and the folders made for their files.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/FileNamePlacement.h"
#include "temp_folder.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

TEST(FileNamePlacement, RelativeNamesStayBelowTheSettingsOwnFolderAndNeverLeaveTheRoot) {
    const std::string root = "/data/vt/";
    const std::string folder = root + "Waveforms/Mask Test Files/";
    const auto place = [&](const std::string& text) { return PlaceFileName(text, folder, root); };

    EXPECT_EQ(place("x"), folder + "x");
    // The same relative name is the same file every time: the folder does not move with it.
    EXPECT_EQ(place("sub/x"), folder + "sub/x");
    EXPECT_EQ(place("sub/x"), folder + "sub/x");
    EXPECT_EQ(place("./sub/../y.wfm"), folder + "y.wfm");
    // ".." may climb as long as the name stays in the data root.
    EXPECT_EQ(place("../x"), root + "Waveforms/x");
    EXPECT_EQ(place("../../x"), root + "x");
    // Out of the root: refused, however it gets there.
    for (const char* out : {"../../../x", "../../../../dd1", "sub/../../../../x", "../../../vt/x", "../../../vt2/x"})
        EXPECT_EQ(place(out), std::nullopt) << out;
    // Absolute names stand as given, in or out of the root.
    EXPECT_EQ(place("/elsewhere/run/x.set"), "/elsewhere/run/x.set");
    EXPECT_EQ(place("/elsewhere/a/../x"), "/elsewhere/x");
    // No base name: refused.
    for (const char* none : {"", "/", ".", "..", "dir/", "dir/..", "dir/."})
        EXPECT_EQ(place(none), std::nullopt) << none;
    // Without a root (no data root known) nothing bounds the name.
    EXPECT_EQ(PlaceFileName("../../../x", folder, ""), "/data/x");
}

TEST(FileNamePlacement, TheFolderOfAFileIsMadeOnlyBelowTheRoot) {
    test::TempFolder temp;
    const std::string root = (temp / "root").string() + "/";
    fs::create_directories(root);
    MakeFolderBelowRoot(root + "Setup Files/new/deeper/x.set", root);
    EXPECT_TRUE(fs::is_directory(root + "Setup Files/new/deeper"));
    MakeFolderBelowRoot((temp / "outside" / "x.set").string(), root);
    EXPECT_FALSE(fs::exists(temp / "outside")) << "a folder outside the root is the user's";
    MakeFolderBelowRoot(root + "sub/../../climbed/x.set", root);
    EXPECT_FALSE(fs::exists(temp / "climbed"));
    MakeFolderBelowRoot((temp / "none" / "x").string(), "");
    EXPECT_FALSE(fs::exists(temp / "none"));
}

}  // namespace
}  // namespace vt
