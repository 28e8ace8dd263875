// The calibration and adjustment side menus offscreen per model line and access, the channel page's
// rebinding, the channel run's dialog stepping a demo run, and a picture of all three.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "acq/AutoCalibration.h"
#include "acq/SignalSources.h"
#include "link/AdjustTestSupport.h"
#include "link/UtilSettings.h"
#include "test_sidemenu_support.h"
#include "ui/CalibrationFeature.h"
#include "ui/IdleDriver.h"
#include "ui/dialogs/CalibrationDialogs.h"
#include "ui/menus/AdjustMenus.h"
#include "UiTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TMenusShell : TAdjustShell {
    TMenusShell(int modelType, bool service) : TAdjustShell(false, modelType) {
        Shell.ServiceAccess = service;
        Shell.AdjustAccessGranted = true;
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        CreateUtilHandlers(Shell);
        Adjust->ReadAdjustmentValues(0);
        MainWindow.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
        MainWindow.resize(800, 600);
        Feature.RegisterForms(Menus);
        Auto.FillRows(Shell);
        // The program's idle pass, as far as the run is concerned: again at once while a step is due.
        Idle.SetHandler([this] {
            Shell.IdleHousekeeping.Run(Shell);
            Auto.CheckDeadlines(Shell);
            return Shell.TakeIdleWake() != 0;
        });
    }
    ~TMenusShell() { FlushDeletes(); }
    template <class F>
    F* Open(int kind) {
        Menus.ShowSideMenu(kind, 0);
        return dynamic_cast<F*>(Menus.Form(0));
    }
    bool Shown(TCalibrationFormBase* f, const char* name) {
        TRC_Switcher* sw = f->Control(name);
        return sw && sw->isVisibleTo(sw->parentWidget());
    }

    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    QWidget MainWindow;
    TSideMenus Menus{Kit, &MainWindow};
    TAutoCalibration Auto{Shell, *Adjust, &Clock};
    TCalibrationFeature Feature{Shell, *Adjust, Auto};
    TIdleDriver Idle;
};

}  // namespace

TEST(AdjustMenus, PagesFollowModelLineAccessAndChannelGroup) {
    TMenusShell first(4, false);
    auto* calibr = first.Open<TCalibr_Form>(mkCalibration);
    ASSERT_NE(calibr, nullptr);
    EXPECT_TRUE(calibr->Page(1)->isVisibleTo(calibr));
    EXPECT_EQ(TextsThatDoNotFit(*calibr), std::vector<std::string>{});
    auto* adjust = first.Open<TAdjust_Form>(mkAdjustment);
    ASSERT_NE(adjust, nullptr);
    EXPECT_EQ(TextsThatDoNotFit(*adjust), std::vector<std::string>{});
    EXPECT_FALSE(first.Shown(adjust, "swOEConverter"));
    EXPECT_EQ(adjust->Control("swSRD3"), nullptr);
    EXPECT_EQ(adjust->Control("swFindSRDs"), nullptr) << "manufacturer access only";
    EXPECT_FALSE(first.Shown(adjust, "swADC200mV"));
    for (int page : {0, 10}) {
        adjust->SetTopPanel(4);
        adjust->SetTopPanel(page);
        EXPECT_TRUE(adjust->Page(1)->isVisibleTo(adjust)) << page;
        EXPECT_FALSE(adjust->Page(4)->isVisibleTo(adjust));
    }
    // The channel page follows "Shadow:Calibr:ChnlsBW".
    adjust->SetTopPanel(2);
    first.Setting<TRadioSwHandler>("Shadow:Calibr:ChnlsBW").SetItemIndex(3);
    EXPECT_EQ(adjust->Page(2)->findChild<QLabel*>("lbChannel")->text(), "Ch2 Narrow BW ");
    EXPECT_EQ(adjust->Control("swBridgeVolt")->GetHandler(),
              first.Shell.CommandTree()->Root().FindHandler("FLASH:Calibr:Ch2Narrow:BridgeVolt"));

    TMenusShell second(8, true);
    adjust = second.Open<TAdjust_Form>(mkAdjustment);
    adjust->SetTopPanel(2);
    // "FINE TIME BASE AMPLITUDE" is wider than its bar at the menu's font: the title shrinks to fit.
    EXPECT_EQ(TextsThatDoNotFit(*adjust), std::vector<std::string>{});
    EXPECT_EQ(adjust->Control("swAmplitude"), nullptr);
    EXPECT_NE(adjust->Control("swFindSRDs"), nullptr);
    EXPECT_TRUE(second.Shown(adjust, "swADC200mV"));
    EXPECT_FALSE(second.Shown(adjust, "swPromBrNBW"));
    second.Setting<TRadioSwHandler>("Shadow:Calibr:ChnlsBW").SetItemIndex(2);
    EXPECT_FALSE(second.Shown(adjust, "swADC200mV"));
    EXPECT_TRUE(second.Shown(adjust, "swPromBrNBW"));
    // While the adjustment menu is shown, a calibration change marks the adjustment too.
    second.Shell.ExecuteCommandString("FLASH:CALIBR:FINETB 40000");
    EXPECT_TRUE(second.Adjust->FlashChange().AdjustChanged());
}

TEST(AdjustMenus, ScreenshotOfBothMenusAndTheChannelDialog) {
    TMenusShell t(4, true);
    t.MainWindow.show();
    auto* calibr = t.Open<TCalibr_Form>(mkCalibration);
    calibr->SetTopPanel(2);
    calibr->show();
    const QImage left = calibr->grab().toImage();
    t.Menus.ShowSideMenu(mkAdjustment, 1);
    auto* adjust = dynamic_cast<TAdjust_Form*>(t.Menus.Form(1));
    adjust->SetTopPanel(2);
    adjust->show();
    const QImage middle = adjust->grab().toImage();

    // A demo channel run half-way, shown by its dialog.
    t.User->Ok = true;
    t.Auto.RunCalibration(1, 0, true);
    t.Shell.AcqCycle.Run(t.Shell);
    for (int i = 0; i < 12; ++i) {
        t.Clock.Now += TAutoCalibration::StatusPollMs;
        t.Auto.Step();
    }
    TAutocalChannelsF dialog(&t.MainWindow, t.Auto);
    dialog.setFont(t.MainWindow.font());
    dialog.Refresh();
    dialog.show();
    EXPECT_GT(dialog.ProgressBar()->value(), 0);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    const QImage right = dialog.grab().toImage();

    QImage shot(left.width() + middle.width() + right.width() + 16, std::max({left.height(), middle.height(), right.height()}),
                QImage::Format_RGB32);
    shot.fill(Qt::darkGray);
    QPainter p(&shot);
    p.drawImage(0, 0, left);
    p.drawImage(left.width() + 8, 0, middle);
    p.drawImage(left.width() + middle.width() + 16, 0, right);
    p.end();
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(shot.save(folder + "/calibration_menus_and_channel_dialog.png", "PNG"));

    // Cancel ends the demo run: the result is 5 and the values stay.
    dialog.CancelButton()->click();
    EXPECT_FALSE(t.Auto.CalibrationRunning());
    EXPECT_EQ(t.Value("FLASH:Calibr:AutocalResult"), 5);
}

TEST(AdjustMenus, ARemoteTimebaseRunRepliesOnceItsDialogClosedItself) {
    TMenusShell t(8, false);
    t.Auto.View = &t.Feature;
    t.Shell.ExecuteCommandString("FLASH:Calibr:CoarseTB 4e-9");
    t.Shell.CommandTree()->ExecuteCommandString("FLASH:Calibr:AutocalTB", false);
    EXPECT_FALSE(t.Auto.CalibrationRunning());
    EXPECT_TRUE(t.Messages.empty()) << "no question for a remote command";
    EXPECT_NEAR(t.Value("FLASH:Calibr:CoarseTB"), 4.6e-9, 1e-15);
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 36387);
    EXPECT_EQ(t.Value("FLASH:Calibr:AutocalResult"), 0);
}

// A script's runs show no modal dialog: the idle pass steps the timebase run to its end while its
// box follows, and the box's Cancel ends a channel run, whose held reply is then "ERROR".
TEST(AdjustMenus, AScriptsRunsStepInABoxThatWaitsForNobodyAndItsCancelFails) {
    TMenusShell t(8, false);
    t.Auto.View = &t.Feature;
    std::vector<std::string> replies;
    t.Shell.DeferRemoteReply = [&replies] { return [&replies](const std::string& text) { replies.push_back(text); }; };
    const auto box = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = dynamic_cast<TCalibrationRunDialog*>(w)) return d;
        return static_cast<TCalibrationRunDialog*>(nullptr);
    };
    t.Shell.ExecuteCommandString("FLASH:Calibr:FineTB 12500");
    t.Shell.CommandTree()->ExecuteCommandString("FLASH:Calibr:AutocalTB", false);
    ASSERT_TRUE(t.Auto.CalibrationRunning()) << "the command returns before the run has ended";
    ASSERT_NE(box(), nullptr);
    // The event loop runs, and the idle pass with it, until the run has ended (bounded).
    bool modal = false;
    RunLoopUntil([&] {
        modal = modal || QApplication::activeModalWidget() != nullptr;
        return !t.Auto.CalibrationRunning();
    }, 10000);
    EXPECT_FALSE(modal);
    EXPECT_FALSE(t.Auto.CalibrationRunning());
    EXPECT_EQ(replies, std::vector<std::string>{""});
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 36387);
    FlushDeletes();
    EXPECT_EQ(box(), nullptr) << "the box goes with its part";

    t.Shell.CommandTree()->ExecuteCommandString("FLASH:Calibr:AutocalCh", false);
    ASSERT_TRUE(t.Auto.CalibrationRunning());
    ASSERT_NE(box(), nullptr);
    EXPECT_FALSE(box()->isModal());
    box()->CancelButton()->click();
    EXPECT_FALSE(t.Auto.CalibrationRunning());
    EXPECT_EQ(replies, (std::vector<std::string>{"", "ERROR"}));
    EXPECT_EQ(t.Value("FLASH:Calibr:AutocalResult"), 5);
    FlushDeletes();
    EXPECT_EQ(box(), nullptr);
}

// The power-on calibration asks first: its timebase window then shows the result until the user closes
// it, however many idle passes come meanwhile; the channel part that follows is cancelled.
TEST(AdjustMenus, APowerOnTimebaseResultStaysUntilTheUserClosesIt) {
    TMenusShell t(8, false);
    t.Auto.View = &t.Feature;
    t.User->Ok = true;
    t.Shell.ExecuteCommandString("Util:CalibrWhen PowerOn");
    t.Shell.ExecuteCommandString("FLASH:Calibr:CoarseTB 4e-9");
    int ticksWithResult = 0;
    bool stayed = false, channelsCancelled = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto* tb = dynamic_cast<TAutocalTBF*>(QApplication::activeModalWidget())) {
            // Each tick is an event, an idle pass follows it: they are counted once the result is in.
            ticksWithResult += tb->OkButton()->isEnabled();
            if (ticksWithResult > 10) {
                stayed = tb->isVisible() && t.Auto.CalibrationRunning();
                tb->OkButton()->click();
            }
        } else if (auto* ch = dynamic_cast<TAutocalChannelsF*>(QApplication::activeModalWidget())) {
            channelsCancelled = true;
            ch->CancelButton()->click();
        }
    });
    driver.start(5);
    t.Auto.CheckAutoCalibrationDue();
    EXPECT_TRUE(stayed) << "the result window closed by itself";
    EXPECT_TRUE(channelsCancelled);
    EXPECT_FALSE(t.Auto.CalibrationRunning());
    // The timebase values the user confirmed stay: 30667 × 0.15 ps (to the setting's 0.1 ps) and the
    // fine value of the second line.
    EXPECT_NEAR(t.Value("FLASH:Calibr:CoarseTB"), 30667 * 1.5e-13, 1e-13);
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 36387);
}
