// The acquisition menu offscreen: opened from its main-menu button, bound both ways to the
// acquisition settings, its caption and parameter field following sharing and mode, its pages, the
// save dialog of its action, and a picture of both pages.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include "UiTestSupport.h"
#include "acq/AcqSettings.h"
#include "acq/SignalAcq.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "ui/MainMenuButton.h"
#include "ui/SideMenu.h"
#include "ui/UserDialogs.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/AcqMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

class AcqMenu : public ::testing::Test {
protected:
    AcqMenu() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetUserServices(std::make_unique<TDialogUserServices>(Dialogs));
        Acq.FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        Shell.Refresh.RunRow(Shell, TRefreshRow::RefreshAcqHandlers);
        Window.SetSideMenus(&Menus);
        Feature.RegisterForms(Menus);
        Window.resize(800, 600);
        Window.BuildMainMenuTable();
        Window.show();
    }
    ~AcqMenu() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    std::string Cmd(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    TAcq_Form* Open() {
        QTest::mouseClick(&Window.GetMainMenuButton(mkAcquisition), Qt::LeftButton);
        return dynamic_cast<TAcq_Form*>(Menus.Form(LeftSide));
    }
    static TRC_RadioSwitcher* Radio(TAcq_Form& form, const char* name) {
        return form.findChild<TRC_RadioSwitcher*>(name);
    }
    static void Click(TRC_PolyButtonSwitcher& sw, int item) { QTest::mouseClick(&sw.Button(item), Qt::LeftButton); }
    static void Click(QPushButton& button) { QTest::mouseClick(&button, Qt::LeftButton); }
    // Every title and item text of the form's switchers that does not fit its place, in the font it is
    // drawn in: a title has the switcher's width less its frame and margins, an item its button less
    // the indicator.
    static std::vector<std::string> CutCaptions(TAcq_Form& form) {
        std::vector<std::string> cut;
        for (TRC_RightMenuPanel* page : form.Pages())
            for (TRC_Switcher* sw : SwitchersOf(*page)) {
                if (QFontMetrics(sw->TitleFont()).horizontalAdvance(sw->TitleText()) > sw->TitleRoom())
                    cut.push_back(sw->Caption().toStdString());
                auto* poly = dynamic_cast<TRC_PolyButtonSwitcher*>(sw);
                if (!poly) continue;
                for (int i = 0; i < poly->ButtonCount(); ++i) {
                    const TMyGridButton& b = poly->Button(i);
                    if (QFontMetrics(b.CaptionFont()).horizontalAdvance(b.Caption()) > b.CaptionRoom().width())
                        cut.push_back(b.Caption().toStdString());
                }
            }
        return cut;
    }

    TShell Shell;
    TRecordingLife Rec{Shell};
    TScriptedDialogs Dialogs;
    TSignalAcq Acq;
    TAcqMenuFeature Feature{Shell};
    TKitContext Kit{[this](std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }};
    TTestWindow Window{Shell, Rec, Dialogs};
    TSideMenus Menus{Kit, &Window};
};

}  // namespace

TEST_F(AcqMenu, OpensFromItsButtonAndBindsBothWays) {
    TAcq_Form* form = Open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->MenuKind, mkAcquisition);
    EXPECT_EQ(form->CurrentPanel, form->Page(1));
    EXPECT_EQ(form->Page(1)->Caption().toStdString(), "Acquisition Ch1, Ch2");
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    EXPECT_EQ(CutCaptions(*form), std::vector<std::string>{});

    // A command shows in the switcher, a click in the command's reply.
    Cmd("ACQ:FITTO SINGLE");
    EXPECT_EQ(Radio(*form, "swFitTo")->ItemIndex(), 1);
    Click(*form->ModeSwitcher(), amAvgStab);
    EXPECT_EQ(Cmd("ACQ:CH1:MODE?"), "ACQ:CH1:MODE AVGSTAB");

    // The parameter field follows the mode.
    EXPECT_EQ(form->ParameterSwitcher()->GetFullMnemonic(), "Acq:Ch1:NAvg");
    EXPECT_EQ(form->ParameterSwitcher()->Caption().toStdString(), "AVERAGES");
    EXPECT_EQ(form->ParameterSwitcher()->HelpContext(), TAcq_Form::AverageHelpContext);
    Cmd("ACQ:CH1:MODE ENVMIN");
    EXPECT_EQ(form->ParameterSwitcher()->GetFullMnemonic(), "Acq:Ch1:NEnv");
    EXPECT_EQ(form->ParameterSwitcher()->Caption().toStdString(), "ENVELOPES");
    EXPECT_EQ(form->ParameterSwitcher()->HelpContext(), TAcq_Form::EnvelopeHelpContext);
    EXPECT_EQ(form->ModeSwitcher()->ItemIndex(), amEnvMin);
    Click(*form->ModeSwitcher(), amPeak);
    EXPECT_EQ(form->ParameterSwitcher()->GetFullMnemonic(), "Acq:Ch1:PkInterval");
    EXPECT_EQ(form->ParameterSwitcher()->Caption().toStdString(), "DETECT INTERVAL");
    EXPECT_EQ(form->ParameterSwitcher()->HelpContext(), TAcq_Form::IntervalHelpContext);
    EXPECT_EQ(form->RecordLengthSwitcher()->GetHandler(), Shell.CommandTree()->Root().FindHandler("SHADOW:Acq:LNonChanged"));
    EXPECT_FALSE(form->ParameterSwitcher()->ValueColor().has_value()) << "4.0 points per interval";
    Cmd("ACQ:CH1:PKINTERVAL 1E-9");
    EXPECT_EQ(form->ParameterSwitcher()->ValueColor(), TColor(TAcq_Form::GreyColor));
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});

    // Separate settings: the menu shows the chosen channel.
    Click(*Radio(*form, "swSampl"), 1);
    EXPECT_EQ(form->Page(1)->Caption().toStdString(), "Acquisition Ch1");
    Click(*Radio(*form, "swMenuSel"), 1);
    EXPECT_EQ(form->Page(1)->Caption().toStdString(), "Acquisition Ch2");
    EXPECT_EQ(form->ModeSwitcher()->GetFullMnemonic(), "Acq:Ch2:Mode");
    EXPECT_EQ(form->ParameterSwitcher()->GetFullMnemonic(), "Acq:Ch2:NAvg");
    EXPECT_EQ(form->RecordLengthSwitcher()->GetFullMnemonic(), "Acq:Ch2:RecLen");
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    Cmd("ACQ:SAMPL SIMULT");
    EXPECT_EQ(form->Page(1)->Caption().toStdString(), "Acquisition Ch1, Ch2");
}

TEST_F(AcqMenu, PagesAndTheSaveDialogOfTheAction) {
    TAcq_Form* form = Open();
    ASSERT_NE(form, nullptr);
    Click(*form->MoreButton());
    EXPECT_EQ(form->CurrentPanel, form->Page(2));
    EXPECT_TRUE(Menus.Slots().IsMenuPageOnSide1(mkAcquisition, 2));
    Click(*form->BackButton());
    EXPECT_EQ(form->CurrentPanel, form->Page(1));
    form->SetTopPanel(7);
    EXPECT_EQ(form->CurrentPanel, form->Page(1));

    form->SetTopPanel(2);
    Click(*Radio(*form, "swRunUntil"), 1);
    auto* react = form->findChild<TRC_CheckSwitcher*>("swReact");
    ASSERT_TRUE(react && react->isEnabled());
    // A command sets Save without asking; the switcher asks, and Cancel takes Save back.
    Cmd("ACQ:REACT SAVE");
    EXPECT_TRUE(Dialogs.SaveRequests.empty());
    Cmd("ACQ:REACT ClearALL");
    Click(*react, 1);
    ASSERT_EQ(Dialogs.SaveRequests.size(), 1u);
    EXPECT_EQ(Dialogs.SaveRequests[0].Title, "Save Waveform As");
    EXPECT_FALSE(AcqEndSaveOn(Shell));
    EXPECT_EQ(react->CheckedMask(), 0u);
    Dialogs.SaveAnswers.push_back(TSaveDialogRequest{.Title = {}, .Filter = {}, .FilterIndex = 1, .Name = "/tmp/run", .Folder = "/tmp/"});
    Click(*react, 1);
    EXPECT_TRUE(AcqEndSaveOn(Shell));
    EXPECT_EQ(Cmd("ACQ:FILENAME?"), "ACQ:FILENAME /tmp/run*.txt");
}

TEST_F(AcqMenu, PictureOfBothPagesInPeakMode) {
    TAcq_Form* form = Open();
    ASSERT_NE(form, nullptr);
    Cmd("ACQ:CH1:MODE PEAK;:ACQ:RUNUNTIL NACQ;REACT BEEP");
    form->SetTopPanel(2);
    const QImage second = form->Page(2)->grab().toImage();
    form->SetTopPanel(1);
    const QImage first = form->Page(1)->grab().toImage();
    QImage shot(first.width() + second.width() + 12, std::max(first.height(), second.height()) + 8,
                QImage::Format_RGB32);
    shot.fill(Qt::darkGray);
    {
        QPainter p(&shot);
        p.drawImage(4, 4, first);
        p.drawImage(first.width() + 8, 4, second);
    }
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(shot.save(folder + "/acq_menu.png", "PNG"));
    EXPECT_EQ(CutCaptions(*form), std::vector<std::string>{});
}

TEST(QtFileFilters, PairsBecomeQtFilters) {
    EXPECT_EQ(QtFileFilters(AcqFileFilter),
              QStringList({"Binary format (*.wfm)", "Verbose format (*.txt)", "Y values formats (*.txty)"}));
    EXPECT_EQ(QtFileFilters("Setups (*.stp)|*.stp|All|*.a;*.b|odd"), QStringList({"Setups (*.stp)", "All (*.a *.b)"}));
}
