// The demo program at start, rendered to a PNG in the build folder for a person to look at: both side
// menus (channels, timebase) and the quick-control strip are live. The test checks that the menus are
// open and bound and that the picture was written.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "UiTestSupport.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenu.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/ChannelsMenu.h"
#include "ui/menus/TimebaseMenu.h"

namespace vt {
namespace {

TEST(DemoStartScreenshot, BothMenusAndTheStripAreLive) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    const std::filesystem::path& home = rig.Home.Path();
    // Another language but no English file yet: the start writes it with the forms' texts.
    std::ofstream(home / "Language-Vlt.Fra") << "[Common]\nCommon:Language=Francais\n";

    bool usil = false, tb = false, stripBound = false;
    QImage shot;
    rig.Run(20000, 50, [&] {
        // Once started and the English file (written by the deferred start-up) is there.
        if (!shell.AcqEnabled || !std::filesystem::exists(home / "Language-Vlt.Eng")) return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* m = dynamic_cast<TMorda_fr*>(w);
            if (!m || !m->isVisible()) continue;
            for (QWidget* form : m->findChildren<TSideMenuForm*>()) {
                usil = usil || (dynamic_cast<TUsil_Form*>(form) && form->isVisible());
                tb = tb || (dynamic_cast<TTB_Form*>(form) && form->isVisible());
            }
            if (auto* scale = m->PermanentControls().findChild<TRC_EditSwitcher*>("edswCh1Scale"))
                stripBound = scale->GetHandler() != nullptr;
            shot = m->grab().toImage();
            m->close();
        }
    });
    EXPECT_EQ(shell.StartInstrumentKind, TInstrumentLinkKind::Demo);
    EXPECT_TRUE(usil);
    EXPECT_TRUE(tb);
    EXPECT_TRUE(stripBound);
    ASSERT_FALSE(shot.isNull());
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + "/demo_start_timebase_channels.png";
    ASSERT_TRUE(shot.save(file, "PNG"));

    // The language files are UTF-16 with a byte-order mark.
    std::ifstream in(home / "Language-Vlt.Eng", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 2u);
    const std::string english =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.data() + 2), static_cast<qsizetype>(bytes.size() - 2) / 2)
            .toStdString();
    for (const char* text : {"[TB_Form]", "[Usil_Form]", "Bit Period", "Intensified", "DESKEW (Alt Acq)",
                             "Attenuation Units", "Decibel", "Ampere", "External Scale"})
        EXPECT_NE(english.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace vt
