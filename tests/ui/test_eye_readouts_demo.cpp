// The demo's PRBS eye with two parameters listed and statistics on: the rows of the bottom strip, the
// eye width annotated through its row's popup and drawn on the annotation layer; the picture goes to
// screenshots/eye_readouts_demo.png. Stopped and narrowed to 420 pixels, the window keeps every readout
// column and the annotations' labels inside the panel (screenshots/eye_readouts_narrow.png).
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

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
    // Narrowed, then stopped and narrowed again: the strip's width and right end against the panel's,
    // the lit columns of each cell of row 0 (label, value, count, then the statistics), how far the
    // annotations' labels reach past the screen, and Ch1's state cell and the trigger's after the new width.
    int narrowedAt = 0, narrowStrip = 0, stripEnd = 0, panelWidth = 0, narrowLabels = 0, labelOverhang = INT_MIN;
    std::vector<int> litColumns;
    std::string stoppedState, stateAfterResize;
    int trigBefore = -1, trigAfter = -1;
    rig.RunSteps(150000, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        TScopeCRT& panel = *dynamic_cast<TScopeDisplayServices&>(shell.Display()).Panel();
        auto& serial = dynamic_cast<TScopeSerialServices&>(shell.Serial());
        TEyeMeasurement& eye = serial.Eye();
        TNizText& strip = panel.BottomStrip();
        const auto textsDrawn = [&shell] { return test::StripTextsDrawn(shell); };
        for (const char* c : {"GSS:CH1 C", "TB:SCALEA 1E-9", "TB:Mode B", "TB:SCALEB 1.8E-10", "TB:Delay 0.1333",
                              "ACQ:CH1:RECLEN 4096", "Ch2:Display OFF", "Displ:Ch1:Style InfinPers",
                              "Eye:WfmsInCycle 64"})
            shell.ExecuteCommandString(c);
        strip.TextWatch = [&cells](const TPixelRect& r, const std::string& t, TColor) { cells[{r.Top, r.Left}] = t; };
        ASSERT_TRUE(rig.CountOn(3));
        for (const char* c : {"Eye:Measure NRZ", "Eye:Statistic ON", "Eye:XNRZParam EyeWidth", "Eye:YNRZParam EyeHeight"})
            shell.ExecuteCommandString(c);
        // The new slot is annotated; the width's row asks for its own through the popup.
        const TPixelRect row0 = NizCellRect(0, 1);
        if (strip.MousePress(TNizText::RightButton, row0.Left + 5, row0.Top + 5) && strip.PopupMenu())
            menuCaption = strip.PopupMenu()->front().Caption;
        strip.ChoosePopupCommand("Annot");
        shownSlot = serial.EyeRows().ShownSlot();
        ASSERT_TRUE(rig.Until([&] { return eye.EngineRuns != 0; }));
        // The next cycle shows the values on the strip, whose texts are throttled: their delay lets them
        // through.
        ASSERT_TRUE(rig.CountOn(1));
        ASSERT_TRUE(rig.Until(textsDrawn));
        runs = eye.EngineRuns;
        c1 = eye.State().Crossing[1].Mean;
        c2 = eye.State().Crossing[2].Mean;
        if (auto* layer = dynamic_cast<TAnnotationLayer*>(panel.ExistingAnnotationLayer(1))) {
            left = layer->Stored(1), right = layer->Stored(2);
            leftDrawn = layer->State(1).Drawn, rightDrawn = layer->State(2).Drawn;
        }
        // The eye's menu in the right slot, for the picture.
        QTest::mousePress(&m->GetMainMenuButton(14), Qt::RightButton);
        QCoreApplication::processEvents();
        test::SaveScreenshot(*m, "eye_readouts_demo.png");
        // The rows are checked as they stood after the first values.
        strip.TextWatch = nullptr;
        m->resize(420, m->height());
        narrowedAt = eye.EngineRuns;
        // Two runs of the eye in the narrow screens draw the annotations again.
        ASSERT_TRUE(rig.Until([&] { return eye.EngineRuns >= narrowedAt + 2; }));
        ASSERT_TRUE(rig.Until(textsDrawn));
        if (auto* layer = dynamic_cast<TAnnotationLayer*>(panel.ExistingAnnotationLayer(1)))
            for (int n = 1; n <= 2; ++n)
                if (layer->State(n).Drawn) {
                    ++narrowLabels;
                    const int end = layer->State(n).LabelColumn + layer->Glyph(n).Width;
                    labelOverhang = std::max(labelOverhang, end - layer->MaxX());
                }
        shell.ExecuteCommandString("*StopSingle Stop");
        ASSERT_TRUE(rig.Until([&] {
            stoppedState = panel.TopStrip().CachedAcqState[0];
            return stoppedState.rfind("Stopped ", 0) == 0;
        }));
        trigBefore = panel.TopStrip().TrigStateShown;
        // Nothing is measured any more: what the strip shows after a new width, it drew again itself.
        m->resize(425, m->height());
        QCoreApplication::processEvents();
        stateAfterResize = panel.TopStrip().CachedAcqState[0];
        trigAfter = panel.TopStrip().TrigStateShown;
        narrowStrip = strip.Width();
        stripEnd = strip.Left() + strip.Width();
        panelWidth = panel.InnerWidth();
        for (int column = 1; column <= 7; ++column) {
            const TPixelRect cell = strip.SqueezeRect(NizCellRect(0, column));
            int lit = 0;
            for (int x = cell.Left; x < cell.Right; ++x)
                for (int y = cell.Top + 1; y < cell.Bottom; ++y)
                    if (strip.Bitmap().Pixel(x, y) != strip.Color()) {
                        ++lit;
                        break;
                    }
            litColumns.push_back(lit);
        }
        test::SaveScreenshot(*m, "eye_readouts_narrow.png");
    });
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

    EXPECT_LT(narrowStrip, NizGridWidth) << "the strip squeezes its columns";
    EXPECT_LE(stripEnd, panelWidth) << "the last column (the deviation) lies inside the panel";
    ASSERT_EQ(litColumns.size(), 7u);
    for (std::size_t c = 0; c < litColumns.size(); ++c)
        EXPECT_GT(litColumns[c], 8) << "column " << c + 1 << " still shows its readout";
    EXPECT_EQ(narrowLabels, 2);
    EXPECT_EQ(stateAfterResize, stoppedState) << "a new width lost the stopped run's count";
    EXPECT_GT(trigBefore, 0);
    EXPECT_EQ(trigAfter, trigBefore) << "a new width lost the trigger's state";
    EXPECT_LE(labelOverhang, 0) << "an annotation's label is cut at the screen's edge";
}

}  // namespace
}  // namespace vt
