// The demo program's strips: Run fills the top strip (rate in Ch1's colour), the acquisition-state,
// trigger-state, trigger-source and database fields follow their rules (a loaded database shows the
// horizontal scale it was made at, or none where this run did not make it, and no rate in either
// channel's cell), a hidden strip keeps what was written, and a readout's popup opens on a right press
// on the bottom strip and hands its word back.
// The picture, with a level and a point annotation on Ch1, goes to screenshots/strips_demo.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <filesystem>

#include "UiTestSupport.h"
#include "acq/AcqSettings.h"
#include "acq/SaveRecall.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "display/AnnotationLayer.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"
#include "ui/DisplayPanelView.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

struct TText {
    TPixelRect Rect;
    std::string Text;
    TColor Colour;
};

struct TTestReadouts : TReadoutProvider {
    std::vector<TListedCell> ListedCells() const override {
        std::vector<TListedCell> cells;
        for (int i = 0; i < 6; ++i) cells.push_back({ParamCellRect(i, false), i});
        return cells;
    }
    TStripMenu BuildPopupMenu(int) override {
        return {{"Remove", "pumpRemove"}, {"", "", false, true, false, true}, {"Annotate", "pumpAnnotate", true}};
    }
    void HandlePopupCommand(const std::string& command, int selected) override {
        Handled.push_back(command + " " + std::to_string(selected));
    }
    std::vector<std::string> Handled;
};

std::vector<std::string> TextsAt(const std::vector<TText>& texts, TPixelRect rect) {
    std::vector<std::string> at;
    for (const TText& t : texts)
        if (t.Rect == rect) at.push_back(t.Text);
    return at;
}

TEST(StripsDemo, RunFillsTheTopStripAndAReadoutPopupAnswers) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    const std::filesystem::path& home = rig.Home.Path();
    std::vector<TText> texts;
    TTestReadouts readouts;
    QImage shot;
    rig.RunSteps(30000, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        ASSERT_TRUE(m && services && services->Panel());
        TScopeCRT& crt = *services->Panel();
        TVerhText& top = crt.TopStrip();
        top.TextWatch = [&texts](const TPixelRect& r, const std::string& t, TColor c) { texts.push_back({r, t, c}); };
        auto* view = m->findChild<TDisplayPanelWidget*>();
        ASSERT_NE(view, nullptr);
        // Run fills the acquisition state on every pass; the rate comes with the whole strip.
        std::string runState;
        ASSERT_TRUE(rig.Until([&] {
            if (!services->SignalLayerDrawn(ssCh1)) return false;
            for (const TText& t : texts)
                if (t.Rect == TopCellRect(0, 2) && !t.Text.empty()) runState = t.Text;
            return !runState.empty();
        }));
        EXPECT_EQ(runState, shell.LangStr("Sample"));
        texts.clear();
        services->TopTextUpdateAll();
        const auto rate = std::find_if(texts.rbegin(), texts.rend(), [](const TText& t) { return t.Rect == TopCellRect(0, 1); });
        ASSERT_NE(rate, texts.rend());
        EXPECT_EQ(rate->Text, "12 GHz  5 GSa/s");
        EXPECT_EQ(rate->Colour, TColor::FromRGB(0xFF, 0xFF, 0x80)) << "Ch1's element colour";
        shell.RunOn = false;
        if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
        ASSERT_TRUE(rig.Until([&] { return !shell.Link() || !shell.Link()->AcquisitionRunning(); }));

        // Envelope modes past 5999 accumulate without end; average modes show their count.
        services->AccumulationCounter = [](int) { return 10000; };
        const auto acqState = [&](const char* mode) {
            shell.ExecuteCommandString(AcqChannelPath(ChannelIndex1, "Mode") + " " + mode);
            texts.clear();
            services->TopTextShowAcqState(ChannelIndex1, false);
            return texts.empty() ? std::string("<none>") : texts.back().Text;
        };
        EXPECT_EQ(acqState("EnvMinMax"), shell.LangStr("Continuously"));
        const std::string average = acqState("AvgMult");
        EXPECT_EQ(average.rfind(shell.LangStr("NAverages"), 0), 0u) << average;
        EXPECT_NE(average, shell.LangStr("Continuously"));
        shell.ExecuteCommandString(AcqChannelPath(ChannelIndex1, "Mode") + " Sample");

        services->TopTextShowTrigState(0);
        texts.clear();
        services->TopTextShowTrigState(2);
        services->TopTextShowTrigState(2);
        EXPECT_EQ(TextsAt(texts, TopCellRect(3, 2)), std::vector<std::string>{"Not Trig'd"});
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.back().Colour, TColor::FromRGB(255, 128, 128));

        // The trigger source contrasts with the screen's background.
        texts.clear();
        services->TopTextShowTrigSource();
        ASSERT_FALSE(texts.empty());
        EXPECT_FALSE(texts.back().Text.empty());
        EXPECT_EQ(texts.back().Colour, clWhite);
        TIntEditHandler* background = services->Colors().ColorHandler(ceBackground);
        const double dark = background->GetValueAsDouble();
        background->SetValue(0xE0E0E0);
        texts.clear();
        services->TopTextShowTrigSource();
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.back().Colour, clBlack);
        background->SetValue(dark);

        // A database on the screen takes columns 0 to 2; no rate is written meanwhile. It was made of
        // Ch1 at the demo's 10 ns/div and 200 mV/div: those are its scales, whatever the timebase
        // shows now.
        ASSERT_NE(shell.SaveRecall(), nullptr);
        EXPECT_TRUE(shell.SaveRecall()->CreateDatabaseFile((home / "strips.cgs").string()));
        shell.ExecuteCommandString("TB:ScaleA 2e-9");
        services->SetDatabase("strips.cgs");
        texts.clear();
        services->TopTextUpdateAll();
        for (const TText& t : texts) EXPECT_EQ(t.Text.find("GHz"), std::string::npos) << t.Text;
        const auto first = TextsAt(texts, TopCellRect(0, 1));
        ASSERT_FALSE(first.empty());
        EXPECT_EQ(first.back().rfind(shell.LangStr("Database_"), 0), 0u) << first.back();
        std::vector<std::string> databaseScales;
        for (const TPixelRect& cell : {TopCellRect(1, 2), TopCellRect(2, 1), TopCellRect(2, 2)}) {
            const auto at = TextsAt(texts, cell);
            const std::string text = at.empty() ? "" : at.back();
            databaseScales.push_back(text.substr(std::min(text.find_first_not_of(' '), text.size())));
        }
        EXPECT_EQ(databaseScales, (std::vector<std::string>{"10 ns", "200 mV/div", "0 V"}));
        shell.ExecuteCommandString("TB:ScaleA 1e-8");
        services->SetDatabase("");
        services->TopTextUpdateAll();

        // Written while hidden, shown with the strip.
        top.SetVisible(false);
        services->TopTextShowTrigState(3);
        top.SetVisible(true);
        const TPixelRect cell = TopCellRect(3, 2);
        bool hiddenKept = false;
        for (int y = cell.Top; y < top.Height() && !hiddenKept; ++y)
            for (int x = cell.Left; x <= cell.Right && !hiddenKept; ++x)
                hiddenKept = top.Bitmap().Pixel(x, y) == TColor(0x00FFFF);
        EXPECT_TRUE(hiddenKept) << "a text written while the strip was hidden shows with it";

        // A right press on the third row's label opens measurement 2's popup; its word comes back.
        services->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Measurements)] = &readouts;
        QTimer::singleShot(200, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* a : menu->actions())
                if (a->data().toString() == QLatin1String("pumpAnnotate")) menu->setActiveAction(a);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        const TNizText& bottom = crt.BottomStrip();
        QTest::mouseClick(view, Qt::RightButton, {}, QPoint(bottom.Left() + 50, bottom.Top() + 40));
        services->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Measurements)] = nullptr;
        EXPECT_EQ(readouts.Handled, std::vector<std::string>{"pumpAnnotate 2"});

        // A level and a point annotation on Ch1 for the picture.
        TAnnLabelArray a;
        TAnnotationState& state = services->Annotations();
        DefineLevelAnnotation(state, a, 1, ssCh1, false, "Top", 4);
        SetAnnotationPoint(a, 1, 0, 760);
        DefinePointAnnotation(state, a, 2, ssCh1, true, "Rise", 0);
        SetAnnotationPoint(a, 2, 2000, 512);
        RefreshAnnotationLayers(*services, a);
        // The start-up hint lies over the strip's first row: the picture shows the row.
        std::vector<int> hints;
        for (const THintStack::TEntry& e : services->Hints().Entries()) hints.push_back(e.Id);
        for (int id : hints) services->Hints().Remove(id);

        // A database file of Ch1 written in this run at 10 ns/div; one acquisition at 5 ns/div.
        for (const char* line : {"Save:Disk:FileType DB", "Save:Disk:DbSource Ch1", "Save:Disk:FileName db1",
                                 "Save:Disk:Save", "TB:ScaleA 5e-9", "*StopSingle Single"})
            shell.ExecuteCommandString(line);
        // Loaded after that acquisition, the file still reads 10 ns; a copy of it, whose making this
        // run did not see, reads no horizontal scale at all, its vertical ones from the file.
        ASSERT_TRUE(rig.Until([&] {
            const TSignalObj* ch1 = shell.Records()->FindRecord(ssCh1);
            return !shell.SingleOn && ch1 && std::abs(ch1->TimePerDivision() - 5e-9) <= 1e-15;
        }));
        const std::filesystem::path folder = shell.Folders.DatabaseFolder;
        std::filesystem::copy_file(folder / "db1.cgs", folder / "db2.cgs");
        // Ch2's rate cell, in the strip's pixels: the database has no field there.
        auto rateCellBlank = [&top] {
            const TPixelRect r = top.SpreadRect(TopCellRect(1, 1));
            for (int y = r.Top; y < r.Bottom && y < top.Height(); ++y)
                for (int x = r.Left; x < r.Right && x < top.Width(); ++x)
                    if (top.Bitmap().Pixel(x, y) != top.Color()) return false;
            return true;
        };
        EXPECT_FALSE(rateCellBlank()) << "Ch2's rate shows before the load";
        std::vector<std::string> loadedScales;
        for (const char* name : {"db1", "db2"}) {
            texts.clear();
            shell.ExecuteCommandString(std::string("Save:Disk:FileName ") + name);
            shell.ExecuteCommandString("Save:Disk:Load");
            EXPECT_TRUE(rateCellBlank()) << "a loaded database leaves no rate in Ch2's cell";
            std::string loaded;
            for (const TPixelRect& at : {TopCellRect(1, 2), TopCellRect(2, 1)}) {
                const auto written = TextsAt(texts, at);
                const std::string text = written.empty() ? "<none>" : written.back();
                loaded += "|" + text.substr(std::min(text.find_first_not_of(' '), text.size()));
            }
            loadedScales.push_back(loaded);
        }
        EXPECT_EQ(loadedScales, (std::vector<std::string>{"|10 ns|200 mV/div", "||200 mV/div"}));
        shell.ExecuteCommandString("TB:ScaleA 1e-8");
        services->SetDatabase("");
        services->TopTextUpdateAll();
        QCoreApplication::processEvents();
        shot = m->grab().toImage();
        top.TextWatch = {};
    });
    ASSERT_FALSE(shot.isNull());
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    ASSERT_TRUE(shot.save(folder + (x11 ? "/strips_demo_x11.png" : "/strips_demo.png"), "PNG"));
}

}  // namespace
}  // namespace vt
