#include "ui/menus/AcqMenu.h"

#include "acq/AcqSettings.h"
#include "acq/SignalSources.h"
#include "core/DotNumberText.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 20;
constexpr int Gap = 4;
constexpr int ButtonHeight = 22;

// Places switchers one below the other on a page.
class TPageLayout {
public:
    explicit TPageLayout(TRC_RightMenuPanel& page) : Page_(page), Stack_(page, FirstTop, Gap) {}
    template <class T>
    T* Add(const char* name, const QString& caption, const char* mnemonic, int height = 0) {
        return Stack_.Add<T>(name, caption, mnemonic, height);
    }
    template <class T>
    T* Adopt(T* sw, const char* name, const QString& caption, const char* mnemonic, int height = 0) {
        return Stack_.Adopt(sw, name, caption, mnemonic, height);
    }
    TRC_RadioSwitcher* Radio(const char* name, const QString& caption, const char* mnemonic, const QStringList& items,
                             int columns = 1) {
        const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
        auto* sw = new TRC_RadioSwitcher(&Page_);
        sw->SetColumns(columns);
        sw->SetItems(items);
        return Stack_.Adopt(sw, name, caption, mnemonic, SwitcherTitleHeight + rows * 15 + 4);
    }
    // A button to another page, at the foot of the page.
    QPushButton* Button(const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, &Page_);
        b->setObjectName(name);
        Stack_.PlaceAtFoot(*b, ButtonHeight);
        return b;
    }

private:
    TRC_RightMenuPanel& Page_;
    TPageStacker Stack_;
};

}  // namespace

TAcq_Form::TAcq_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell)
    : TSideMenuForm(menus, mainWindow), Shell_(shell) {
    setObjectName("Acq_Form");
    Page1_ = NewMenuPage(this, "rmpAcquisition", "Acquisition", "Acq:Ch1");
    TPageLayout first(*Page1_);
    auto* fitTo = first.Radio("swFitTo", "Fit Acquisition To...", ":Acq:FitTo",
                              {"Multi-valued signals", "Single-valued signals"});
    // Buttons without the indicator leave these long items their whole width.
    fitTo->SetViewAsButton(true);
    auto* sampl = first.Radio("swSampl", "Sampling Mode", ":Acq:Sampl", {"Simultaneous", "Alternate"});
    auto* menuSel = first.Radio("swMenuSel", "Channel (Alt Mode)", ":SHADOW:Acq:MenuSel", {"Ch1", "Ch2"}, 2);
    Mode_ = first.Radio("swMode", "Mode", "Mode",
                        {"Sample", "Stable Average", "Multiple Average", "Median Average", "Min-Max Envelope",
                         "Max Envelope", "Min Envelope", "Peak Detect"});
    Parameter_ = first.Add<TRC_EditSwitcher>("swParameter", "AVERAGES", "NAvg");
    RecLen_ = first.Add<TRC_EditSwitcher>("swRecLen", "RECORD LENGTH", "RecLen");
    More_ = first.Button("swMore", " More...");

    Page2_ = NewMenuPage(this, "rmpAcquisition2", "Acquisition (cont.)", "Acq");
    TPageLayout second(*Page2_);
    second.Radio("swRunUntil", "Run Until", "RunUntil", {"Stop/Single Button", "Acquisitions"});
    second.Add<TRC_EditSwitcher>("swNAcq", "# OF ACQUISITIONS", "NAcq");
    auto* react = new TRC_CheckSwitcher(Page2_);
    react->SetItems({"Beep", "Save All Wfms"});
    second.Adopt(react, "swReact", "Action", "React", SwitcherTitleHeight + 2 * 15 + 4);
    Back_ = second.Button("swBack", "Back");

    // What the page shows depends on these settings and on the interval and timebase behind the
    // parameter's colour.
    const auto follow = [this](TRC_Switcher&) { FollowSettings(); };
    for (TRC_Switcher* sw : {static_cast<TRC_Switcher*>(fitTo), static_cast<TRC_Switcher*>(sampl),
                             static_cast<TRC_Switcher*>(menuSel), static_cast<TRC_Switcher*>(Mode_),
                             static_cast<TRC_Switcher*>(Parameter_)})
        sw->SetOnUpdateMe(follow);
    QObject::connect(More_, &QPushButton::clicked, this, [this] { SetTopPanel(2); });
    QObject::connect(Back_, &QPushButton::clicked, this, [this] { SetTopPanel(1); });
}

void TAcq_Form::UpdateMenu() { FollowSettings(); }

void TAcq_Form::SetTopPanel(int page) {
    ShowPanel(page == 2 ? Page2_ : Page1_);
    TSideMenuForm::SetTopPanel(page == 2 ? 2 : 1);
}

void TAcq_Form::FollowSettings() {
    if (Following_) return;
    TResetOnExit<bool> done(Following_, false);
    Following_ = true;
    const bool shared = AcqSettingsShared(Shell_);
    const int channel = shared ? ChannelIndex1 : AcqMenuChannel(Shell_);
    Page1_->SetCaption(QString::fromStdString(
        shared ? Shell_.LangStr("AcquisitionCh12") : FormatDot(Shell_.LangStr("AcquisitionChN"), ChannelNumber(channel))));
    Page1_->SetGroupMnemonics("Acq:Ch" + std::to_string(ChannelNumber(channel)));

    const int mode = GetAcqMode(Shell_, channel);
    if (mode == amPeak) {
        RetargetSwitcher(*Parameter_, "PkInterval");
        Parameter_->SetCaption(QString::fromStdString(Shell_.LangStr("DETECTINTERVAL")));
        Parameter_->SetHelpContext(IntervalHelpContext);
        RetargetSwitcher(*RecLen_, ":SHADOW:Acq:LNonChanged");
    } else {
        const bool envelope = mode == amEnvMinMax || mode == amEnvMax || mode == amEnvMin;
        RetargetSwitcher(*Parameter_, envelope ? "NEnv" : "NAvg");
        Parameter_->SetCaption(QString::fromStdString(Shell_.LangStr(envelope ? "ENVELOPEN" : "AVERAGEN")));
        Parameter_->SetHelpContext(envelope ? EnvelopeHelpContext : AverageHelpContext);
        RetargetSwitcher(*RecLen_, "RecLen");
    }
    const bool grey = mode == amPeak && GetPeakDetectInterval(Shell_, channel) < PeakIntervalGreyBelow;
    Parameter_->SetValueColor(grey ? std::optional<TColor>(TColor(GreyColor)) : std::nullopt);
}

void TAcqMenuFeature::RegisterForms(TSideMenus& menus) {
    TShell* shell = &Shell_;
    menus.RegisterForm(mkAcquisition, [shell](TSideMenus& m, QWidget* mainWindow, bool) -> TSideMenuForm* {
        return new TAcq_Form(m, mainWindow, *shell);
    });
}

}  // namespace vt
