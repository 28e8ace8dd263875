// The demo's PRBS eye with two parameters listed and statistics on: the rows of the bottom strip, the
// eye width annotated through its row's popup and drawn on the annotation layer; the picture goes to
// screenshots/eye_readouts_demo.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <map>
#include <string>
#include <utility>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "display/AnnotationLayer.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

TEST(EyeReadoutsDemo, RowsAndTheAnnotatedEyeWidth) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    enum { Starting, Settling, Accumulating, Drawing, Done } phase = Starting;
    int settled = 0, drawn = 0;
    std::map<std::pair<int, int>, std::string> cells;  // by the cell's top-left corner
    auto cellText = [&cells](int row, int column) {
        const TPixelRect r = NizCellRect(row, column);
        return cells[{r.Top, r.Left}];
    };
    std::string menuCaption;
    int shownSlot = 0, runs = 0;
    TAnnLabelParam left, right;
    bool leftDrawn = false, rightDrawn = false;
    double c1 = 0, c2 = 0;
    rig.Run(150000, 100, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        auto* serial = dynamic_cast<TScopeSerialServices*>(&shell.Serial());
        if (!m || !shell.AcqEnabled || !shell.RunOn || !services || !services->Panel() || !serial) return;
        TEyeMeasurement& eye = serial->Eye();
        TNizText& strip = services->Panel()->BottomStrip();
        switch (phase) {
            case Starting:
                for (const char* c : {"GSS:CH1 C", "TB:SCALEA 1E-9", "TB:Mode B", "TB:SCALEB 1.8E-10", "TB:Delay 0.1333",
                                      "ACQ:CH1:RECLEN 4096", "Ch2:Display OFF", "Displ:Ch1:Style InfinPers",
                                      "Eye:WfmsInCycle 64"})
                    shell.ExecuteCommandString(c);
                strip.TextWatch = [&cells](const TPixelRect& r, const std::string& t, TColor) { cells[{r.Top, r.Left}] = t; };
                phase = Settling;
                break;
            case Settling: {
                if (++settled < 10) return;
                for (const char* c : {"Eye:Measure NRZ", "Eye:Statistic ON", "Eye:XNRZParam EyeWidth", "Eye:YNRZParam EyeHeight"})
                    shell.ExecuteCommandString(c);
                // The new slot is annotated; the width's row asks for its own through the popup.
                const TPixelRect row0 = NizCellRect(0, 1);
                if (strip.MousePress(TNizText::RightButton, row0.Left + 5, row0.Top + 5) && strip.PopupMenu())
                    menuCaption = strip.PopupMenu()->front().Caption;
                strip.ChoosePopupCommand("Annot");
                shownSlot = serial->EyeRows().ShownSlot();
                phase = Accumulating;
                break;
            }
            case Accumulating:
                if (eye.EngineRuns == 0) return;
                phase = Drawing;
                break;
            case Drawing: {
                // The strip's texts are throttled: a few polls let them through.
                if (++drawn < 5) return;
                runs = eye.EngineRuns;
                c1 = eye.State().Crossing[1].Mean;
                c2 = eye.State().Crossing[2].Mean;
                if (auto* layer = dynamic_cast<TAnnotationLayer*>(services->Panel()->ExistingAnnotationLayer(1))) {
                    left = layer->Stored(1), right = layer->Stored(2);
                    leftDrawn = layer->State(1).Drawn, rightDrawn = layer->State(2).Drawn;
                }
                // The eye's menu in the right slot, for the picture.
                QTest::mousePress(&m->GetMainMenuButton(14), Qt::RightButton);
                QCoreApplication::processEvents();
                test::SaveScreenshot(*m, "eye_readouts_demo.png");
                shell.RunOn = false;
                if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
                phase = Done;
                m->close();
                break;
            }
            case Done: break;
        }
    });
    ASSERT_EQ(phase, Done);
    EXPECT_EQ(menuCaption, "Eye Width (Ch1)");
    EXPECT_EQ(shownSlot, 1);
    EXPECT_EQ(cellText(0, 1), "Eye Width (Ch1)");
    EXPECT_EQ(cellText(1, 1), "Eye Height (Ch1)");
    // One value each, statistics on: a count of 1 over the cycle's 64 waveforms and more, no deviation yet.
    EXPECT_EQ(cellText(0, 3).rfind("1 / ", 0), 0u) << cellText(0, 3);
    EXPECT_EQ(cellText(0, 7), "Undefined");
    EXPECT_EQ(cellText(1, 7), "Undefined");
    EXPECT_EQ(cellText(0, 2).back(), 's') << cellText(0, 2);
    EXPECT_EQ(cellText(1, 2).back(), 'V') << cellText(1, 2);
    // The eye of the generator (1.5 Gbit/s, 0.45 ps a column) crosses at columns 1376.5 and 2858.0 at
    // 0 V (row 512); its 5 ps jitter keeps the opening's marks a few columns inside the crossings,
    // 635 ps (1411 columns) apart.
    ASSERT_GE(runs, 1);
    EXPECT_NEAR(c1, 1376.5, 5);
    EXPECT_NEAR(c2, 2858.0, 5);
    EXPECT_TRUE(leftDrawn);
    EXPECT_TRUE(rightDrawn);
    EXPECT_EQ(left.Text, " L Open ");
    EXPECT_EQ(right.Text, " R Open ");
    EXPECT_GT(left.X, 1376.5 - 5);
    EXPECT_LT(right.X, 2858.0 + 5);
    EXPECT_NEAR(left.Y, 512, 6);
    EXPECT_NEAR((right.X - left.X) * 0.45e-12, 635e-12, 11e-12);
}

}  // namespace
}  // namespace vt
