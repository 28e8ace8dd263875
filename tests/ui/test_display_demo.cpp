// The demo program with its display panel: Run plots the simulator's acquisitions, the traces show in
// their colours on the graticule, a style reaches the panel and persistence keeps the cells a trace
// left in the dimmer colour; once stopped, a resize rebuilds the screen and draws the traces
// again from their records, and at rest the event loop turns without a composition, a copy, a paint or
// the persistence timer; 4YT then shows four screens with their graticules off. The pictures go to
// screenshots/display_demo.png and display_demo_4yt.png (with _x11 under a real X server).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "display/DisplayPanel.h"
#include "display/PersistenceLayers.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"
#include "ui/DisplayPanelView.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

std::set<QRgb> ColoursIn(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) | 0xFF000000u);
    return colours;
}

std::uint64_t Compositions(TScopeCRT& crt) {
    std::uint64_t n = 0;
    for (int s = 1; s <= MaxScreens; ++s)
        if (TSignalScreen* screen = crt.Screen(s)) n += screen->CompositionCount();
    return n;
}

TEST(DisplayDemo, TracesShowInTheirColoursAndTheLoopRestsWhenStopped) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;

    enum { Starting, Persisting, Resized, Settled, Resting, Formatted, Done } phase = Starting;
    bool startTimes = false, styleReachedPanel = false, oldColour = false;
    QImage shot, fourScreens;
    bool formatted = false;
    TScreenLayout before;
    TSignalScreen* firstScreen = nullptr;
    std::uint64_t compositions = 0, copies = 0, paints = 0;
    bool rebuilt = false, redrawn = false, timerIdle = false, quiet = false;
    rig.Run(30000, 250, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        if (!m || !shell.AcqEnabled || !services || !services->Panel() || !shell.Simulator()) return;
        TScopeCRT& crt = *services->Panel();
        auto* view = m->findChild<TDisplayPanelWidget*>();
        if (!view) return;
        switch (phase) {
            case Starting: {
                // Run is on from the start: wait for both channels' traces.
                if (!services->SignalLayerDrawn(ssCh1) || !services->SignalLayerDrawn(ssCh2)) return;
                // The start handed every trace's time to the panel, XY's too; each style hands its
                // time and palette on.
                const std::size_t ch1 = static_cast<std::size_t>(ssCh1);
                startTimes = crt.PersistTime[ch1] == 2 && crt.PersistTime[XYLayerSlot] == 2;
                shell.ExecuteCommandString("Displ:Ch1:Style VarGrayScal");
                styleReachedPanel = crt.GradeRefreshTime[ch1] == 20 && crt.PaletteChoice[ch1] == 1;
                shell.ExecuteCommandString("Displ:Ch1:Style IColorGrad");
                styleReachedPanel = styleReachedPanel && crt.GradeRefreshTime[ch1] == 0 && crt.PaletteChoice[ch1] == 0;
                shell.ExecuteCommandString("Displ:Ch1:Style InfinPers");
                styleReachedPanel = styleReachedPanel && crt.PersistTime[ch1] == 1000000;
                shell.ExecuteCommandString("Displ:Ch1:Style VarPersist");
                styleReachedPanel = styleReachedPanel && crt.PersistTime[ch1] == 2;
                phase = Persisting;
                break;
            }
            case Persisting: {
                // The cells the trace left stay in the dimmer colour until they expire; then stop.
                auto* layer = dynamic_cast<TPersistSignalLayer*>(crt.SignalLayer(ssCh1));
                TSignalScreen* screen = crt.Screen(crt.ScreenOfSource(ssCh1));
                if (!layer || !screen || layer->PersistTime() != 200) return;
                const TColor old(layer->OldColor().Value & 0x00FFFFFFu);
                const TSLBMP& bitmap = screen->Bitmap();
                for (int y = 0; y < bitmap.Height() && !oldColour; ++y)
                    for (int x = 0; x < bitmap.Width() && !oldColour; ++x) oldColour = bitmap.Pixel(x, y) == old;
                if (!oldColour) return;
                shell.RunOn = false;
                if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
                firstScreen = crt.Screen(1);
                before = crt.Layout();
                m->resize(m->width() + 150, m->height() + 100);
                phase = Resized;
                break;
            }
            case Resized:
                rebuilt = crt.Screen(1) && crt.Layout().Height[0] != before.Height[0];
                redrawn = crt.HasSignalLayer(ssCh1) && crt.SignalLayer(ssCh1)->PointRow(100) != 0;
                shot = m->grab().toImage();
                phase = Settled;
                break;
            case Settled:
                // The resize's last frame painted: from here on nothing changes.
                compositions = Compositions(crt);
                copies = view->CopiedRects();
                paints = view->PaintEvents();
                phase = Resting;
                break;
            case Resting:
                quiet = Compositions(crt) == compositions && view->CopiedRects() == copies &&
                        view->PaintEvents() == paints;
                timerIdle = !m->PersistTimer().isActive();
                shell.ExecuteCommandString("Displ:Format 4YT");
                shell.ExecuteCommandString("Displ:Gratic Off");
                phase = Formatted;
                break;
            case Formatted:
                // Stopped, Ch2 moved to its screen is drawn there from its record.
                formatted = crt.Layout().ScreenCount == 4 && crt.GraticuleLayer(4)->Style() == gsOff &&
                            crt.IsSignalOnScreen(ssCh2, 2) && crt.SignalLayer(ssCh2)->PointRow(100) != 0;
                fourScreens = m->grab().toImage();
                phase = Done;
                m->close();
                break;
            case Done: break;
        }
        (void)firstScreen;
    });
    EXPECT_TRUE(startTimes);
    EXPECT_TRUE(styleReachedPanel);
    EXPECT_TRUE(oldColour) << "persistence shows the cells a trace left";
    ASSERT_EQ(phase, Done);
    EXPECT_TRUE(rebuilt);
    EXPECT_TRUE(redrawn) << "stopped, a rebuilt screen shows the traces from their records";
    EXPECT_TRUE(quiet) << "at rest nothing is composed, copied or painted";
    EXPECT_TRUE(timerIdle);
    EXPECT_TRUE(formatted);
    ASSERT_FALSE(shot.isNull());
    const std::set<QRgb> colours = ColoursIn(shot);
    EXPECT_TRUE(colours.count(qRgb(0xFF, 0xFF, 0x80))) << "Ch1";
    EXPECT_TRUE(colours.count(qRgb(0x80, 0xFF, 0xFF))) << "Ch2";
    EXPECT_TRUE(colours.count(qRgb(0x00, 0x6F, 0x4F))) << "graticule";
    EXPECT_TRUE(colours.count(qRgb(0x00, 0x1F, 0x1F))) << "background";
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    ASSERT_TRUE(shot.save(folder + (x11 ? "/display_demo_x11.png" : "/display_demo.png"), "PNG"));
    ASSERT_TRUE(fourScreens.save(folder + (x11 ? "/display_demo_4yt_x11.png" : "/display_demo_4yt.png"), "PNG"));
}

// Stopped, a format change, a clear and the whole-setup recalls rebuild the screens: every reply is
// what the command replies (no internal error), the XY screen shows the last records, and the time
// screen shows Ch1's last record again, each point on the row it had when the run stopped.
TEST(DisplayDemo, StoppedFormatChangesClearsAndRecallsReplyCleanlyAndRedrawTheLastRecord) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    std::vector<std::pair<std::string, std::string>> replies;
    std::vector<int> stopped, redrawn, cleared;
    std::vector<std::vector<int>> recalled;
    int xyDrawn = 0;
    auto services = [&]() -> TScopeDisplayServices& { return dynamic_cast<TScopeDisplayServices&>(shell.Display()); };
    auto rows = [&] {
        std::vector<int> r;
        if (TParentSignalLayer* layer = services().Panel()->SignalLayer(ssCh1))
            for (int k = 0; k < 500; ++k) r.push_back(layer->PointRow(k));
        return r;
    };
    rig.RunSteps(120000, [&] {
        ASSERT_TRUE(rig.Acquire(2));
        stopped = rows();
        for (const char* line : {"*StopSingle Stop", "Displ:Format XY"}) replies.emplace_back(line, rig.Command(line));
        // The XY trace pairs Ch1's points with Ch2's: each of them drawn.
        if (TParentSignalLayer* xy = services().Panel()->SignalLayer(XYLayerSlot))
            for (int k = 0; k < shell.Records()->Record(ssCh1).Length(); ++k) xyDrawn += xy->PointRow(k) != 0;
        for (const char* line : {"Displ:Format 4YT", "Displ:Format Comb2YTXY", "Displ:Format YT"})
            replies.emplace_back(line, rig.Command(line));
        redrawn = rows();
        // Each recall from the XY format, then back to YT.
        for (const char* recall : {"*DefSetup", "Save:Setup:RecFact", "Instr:Current:Set"}) {
            for (const char* line : {"Displ:Format XY", recall, "Displ:Format YT"})
                replies.emplace_back(line, rig.Command(line));
            recalled.push_back(rows());
        }
        for (const char* line : {"Displ:Format XY", "*ClrDispl", "Displ:Format YT", "*ClrDispl"})
            replies.emplace_back(line, rig.Command(line));
        cleared = rows();
    });
    for (const auto& [line, reply] : replies) EXPECT_EQ(reply, "") << line;
    ASSERT_EQ(stopped.size(), 500u);
    EXPECT_EQ(std::count(stopped.begin(), stopped.end(), 0), 0) << "every point drawn at the stop";
    EXPECT_EQ(xyDrawn, 512) << "the XY screen shows the last records";
    EXPECT_EQ(redrawn, stopped) << "the time screen shows the last record again";
    for (const std::vector<int>& r : recalled) EXPECT_EQ(r, stopped) << "and after each recall";
    EXPECT_TRUE(cleared.empty()) << "a clear stays clear";
}

}  // namespace
}  // namespace vt
