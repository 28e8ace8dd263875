#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QPrinterInfo>
#include <QPushButton>
#include <filesystem>
#include <memory>

#include "UiTestSupport.h"
#include "acq/MainCommands.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "display/ScopeDisplayServices.h"
#include "program/ProgramLife.h"
#include "ui/MainCommandStrip.h"
#include "ui/MainCommandsUi.h"
#include "ui/MainWindow.h"
#include "ui/OwnVersion.h"
#include "ui/ScreenHost.h"
#include "ui/SideMenu.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/dialogs/AboutForm.h"
#include "ui/dialogs/SplashForm.h"

using namespace vt;

namespace {

QString ScreenshotPath(const char* name) {
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    QDir().mkpath(folder);
    return folder + "/" + name;
}

// Every label's and button's text fits the room its control gives.
void ExpectCaptionsFit(QWidget& form) {
    for (QLabel* label : form.findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::RichText || label->text().contains('<')) continue;
        const int need = QFontMetrics(label->font()).horizontalAdvance(label->text());
        EXPECT_LE(need, label->width()) << label->objectName().toStdString() << " cut";
    }
    for (QPushButton* button : form.findChildren<QPushButton*>()) {
        if (button->text().isEmpty()) continue;
        EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()) + 8, button->width())
            << button->objectName().toStdString() << " cut";
    }
}

struct MainCommandsWindow : ::testing::Test {
    MainCommandsWindow() {
        Shell.Folders = InitInstallFolders(Temp.Path());
        Life.Install(Display);
        Life.Install(Ui);
        Life.Install(Commands);
        for (TFeature* f : Life.Features()) f->AttachToProgram(Shell);
        Window = std::make_unique<TMorda_fr>(Shell, Life, Dialogs);
        Menus = std::make_unique<TSideMenus>(Kit, Window.get());
        Ui.WindowCreated(*Window, *Menus, Kit);
        RegisterAllCommandHandlers(Shell);
        BindMainCommandStrip(static_cast<TRC_RightMenuPanel&>(Window->SystemControls()), Kit);
        Window->resize(800, 600);
        Window->show();
        // Only the host's placing; the window's deferred start-up is not wanted here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }
    ~MainCommandsWindow() override {
        Ui.WindowGone();
        Menus.reset();
        Window.reset();
    }
    std::string Remote(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }

    test::TempFolder Temp;
    TShell Shell;
    TProgramLife Life{Shell};
    test::TScriptedDialogs Dialogs;
    TDisplayFeature Display;
    TMainCommandsUi Ui{Shell, Dialogs};
    TMainCommandsFeature Commands{Ui};
    TKitContext Kit{[this](std::string_view path) -> THandler* {
        TCommandTree* tree = Shell.CommandTree();
        return tree ? tree->Root().FindHandler(path) : nullptr;
    }};
    std::unique_ptr<TMorda_fr> Window;
    std::unique_ptr<TSideMenus> Menus;
};

}  // namespace

TEST_F(MainCommandsWindow, StripCopyPrintAndHints) {
    auto* copy = Window->SystemControls().findChild<TRC_MainCommandSwitcher*>("mcsCopy");
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isEnabled()) << "the strip binds";
    EXPECT_EQ(copy->toolTip(), "Copy Full Window to Clipboard");
    Remote("*COPY ScopeScreen");
    EXPECT_EQ(copy->toolTip(), "Copy Oscilloscope Screen to Clipboard");
    const TPlace& area = Window->Layout().DisplayArea;
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(area.Width, area.Height));
    auto* autoscale = Window->SystemControls().findChild<TRC_MainCommandSwitcher*>("mcsAutoscale");
    EXPECT_EQ(autoscale->toolTip(), "Autoscale as Auto signal");

    // From the console or automation "*Print" prints without asking.
    Remote("*PRINT");
    EXPECT_TRUE(Dialogs.Asked.empty());
    if (QPrinterInfo::defaultPrinter().isNull()) {
        EXPECT_TRUE(std::filesystem::file_size(Ui.LastPdf()) > 0) << "no printer: a PDF below the data root";
        EXPECT_EQ(std::filesystem::path(Ui.LastPdf()).parent_path(), Temp.Path() / "Prints");
    }

    // From the strip the user is asked first; No prints nothing.
    Dialogs.Answers = {TDialogAnswer::No};
    const std::string pdf = Ui.LastPdf();
    Commands.Commands().Print->SelectFromSwitcher(-1);
    ASSERT_EQ(Dialogs.Asked.size(), 1u);
    EXPECT_NE(Dialogs.Asked[0].find(Shell.LangStr("WantToPrint")), std::string::npos);
    EXPECT_EQ(Ui.LastPdf(), pdf);

    Commands.Commands().Help->SelectFromSwitcher(-1);
    EXPECT_TRUE(Window->WhatsThisMode());
    Window->SetWhatsThisMode(false);
}

TEST_F(MainCommandsWindow, HintsOverTheDisplayArea) {
    Shell.Display().PushHint("Version " + GetOwnFileVersion(), 5000);
    Shell.Display().PushOrRefreshHint(0, Shell.LangStr("CommunicationErr") + " on start", HintAlarmStyle, 1, 0);
    Shell.Display().PushHint("Settings recalled from the default setup", 5000);
    auto& hints = dynamic_cast<TScopeDisplayServices&>(Shell.Display()).Hints();
    ASSERT_EQ(hints.Entries().size(), 3u);
    TScreenHost* host = Ui.ScreenHost();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->Screens().size(), 3u);
    // Push the normal hint lower so that both show in the picture.
    const TMyHintWindow& alarm = *hints.Entries()[1].Window;
    auto& top = const_cast<TMyHintWindow&>(*hints.Entries()[2].Window);
    top.Resize(0, alarm.Height() + 4, top.Width(), top.Height());
    top.Clear();
    top.SetFontColor(HintTextColor(0));
    top.TextRect({0, 0, top.Width() - 7, top.Height() - 4}, 3, 0, hints.Entries()[2].Text);

    const QImage shot = Window->grab().toImage();
    ASSERT_TRUE(shot.save(ScreenshotPath("hints.png"), "PNG"));
    const QPoint origin = host->mapTo(Window.get(), QPoint(0, 0));
    EXPECT_EQ(TColor::FromPixel(shot.pixel(origin + QPoint(1, 1))), HintBackColor(HintAlarmStyle));
    EXPECT_EQ(TColor::FromPixel(shot.pixel(origin + QPoint(1, alarm.Height() + 5))), HintBackColor(0));

    Ui.WindowGone();
    EXPECT_FALSE(hints.Attached()) << "the hints let go of the window";
    EXPECT_EQ(hints.Entries()[0].Window, nullptr);
}

TEST(SplashAndAbout, SplashStatusAndVersion) {
    TShell shell;
    test::TScriptedDialogs dialogs;
    TMainCommandsUi ui(shell, dialogs);
    ui.SplashStatus("before");  // no splash: nothing
    ui.ShowSplash();
    ASSERT_NE(ui.Splash(), nullptr);
    EXPECT_EQ(ui.Splash()->Status(), "Initializing...");
    ui.SplashStatus("Creating forms...");
    ui.SplashSleep(0);
    EXPECT_EQ(ui.Splash()->Status(), "Creating forms...");
    // The sleep waits for its timer: the event loop wakes a few times, it does not spin.
    int wakes = 0;
    const QMetaObject::Connection counting = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&wakes] { ++wakes; });
    ui.SplashSleep(100);
    QObject::disconnect(counting);
    EXPECT_LT(wakes, 30) << "the splash's sleep spun the event loop";
    EXPECT_TRUE(ui.Splash()->VersionLine().startsWith(QString::fromStdString(GetOwnFileVersion()) + " "));
    EXPECT_EQ(ui.Splash()->size(), QSize(442, 330));
    ExpectCaptionsFit(*ui.Splash());
    ASSERT_TRUE(ui.Splash()->grab().save(ScreenshotPath("splash.png"), "PNG"));
    ui.CloseSplash();
    EXPECT_EQ(ui.Splash(), nullptr);
}

TEST(SplashAndAbout, AboutTextsButtonsAndFading) {
    TAboutForm about({.InstrumentName = "Veltrane L4", .KindName = "Sampling Oscilloscope", .HasOptLAN = false});
    EXPECT_EQ(about.windowTitle(), "About Veltrane L4");
    EXPECT_EQ(about.ShellLabel().text(), "Veltrane L4 Sampling Oscilloscope Shell");
    EXPECT_EQ(about.VersionLabel().text().toStdString(), GetOwnFileVersion());
    EXPECT_TRUE(about.TcpIpButton().isHidden()) << "without the LAN option";
    EXPECT_EQ(about.InfoButton().y(), about.TcpIpButton().y()) << "the info button moves up";
    EXPECT_FALSE(about.InfoButton().isEnabled()) << "disabled until its dialog exists";
    about.ShowInstrumentInfo = [] {};
    about.show();
    EXPECT_TRUE(about.InfoButton().isEnabled());

    EXPECT_EQ(about.Alpha(), TAboutForm::StartAlpha);
    int ticks = 0;
    while (about.Alpha() <= 232 && ticks < 100) {
        about.FadeTick();
        ++ticks;
    }
    EXPECT_EQ(about.Alpha(), TAboutForm::MaxAlpha);
    EXPECT_EQ(ticks, 22);
    ExpectCaptionsFit(about);
    ASSERT_TRUE(about.grab().save(ScreenshotPath("about.png"), "PNG"));

    about.accept();
    EXPECT_TRUE(about.isVisible()) << "fades out before it closes";
    EXPECT_TRUE(about.Closing());
    for (int i = 0; i < 20 && about.isVisible(); ++i) about.FadeTick();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
