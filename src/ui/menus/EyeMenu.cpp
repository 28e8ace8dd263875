#include "ui/menus/EyeMenu.h"

#include <string>

#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int ModeNrz = 1;
constexpr int StatWeight = 2;

enum : int { pgEye = 1, pgXNrz = 2, pgXRz = 3, pgYNrz = 4, pgYRz = 5, pgStatistics = 6, pgDefine = 7 };

// The items of the four lists in the settings' order; long names are shortened to fit a row.
const QStringList XNrzItems = {"Area",        "Bit Rate",  "Bit Time",   "Crossing Time", "Cycle Area",
                               "Duty Cycle Dist %", "Duty Cycle Dist", "Eye Width", "Eye Width %", "Fall Time",
                               "Frequency",   "Jitter p-p", "Jitter RMS", "Period",        "Rise Time"};
const QStringList YNrzItems = {"AC RMS",         "Avg Power",      "Avg Power dBm", "Crossing %",    "Crossing Level",
                               "Ext. Ratio dB",  "Ext. Ratio %",   "Ext. Ratio",    "Eye Amplitude", "Eye Height",
                               "Eye Height dB",  "Maximum",        "Mean",          "Mid",           "Minimum",
                               "-Overshoot",     "Noise p-p One",  "Noise p-p Zero", "Noise RMS One", "Noise RMS Zero",
                               "One Level",      "Peak-Peak",      "+Overshoot",    "RMS",           "S/N Ratio",
                               "S/N Ratio dB",   "Zero Level"};
const QStringList XRzItems = {"Area",          "Bit Rate",        "Bit Time",        "Cycle Area",      "Eye Width",
                              "Eye Width %",   "Fall Time",       "Jitter p-p Fall", "Jitter p-p Rise", "Jitter RMS Fall",
                              "Jitter RMS Rise", "-Crossing",     "+Crossing",       "+Duty Cycle",     "Pulse Symmetry",
                              "Pulse Width",   "Rise Time"};
const QStringList YRzItems = {"AC RMS",        "Avg Power",      "Avg Power dBm",  "Contrast Ratio", "Contrast dB",
                              "Contrast %",    "Ext. Ratio dB",  "Ext. Ratio %",   "Ext. Ratio",     "Eye Amplitude",
                              "Eye Height",    "Eye Height dB",  "Eye Opening",    "Maximum",        "Mean",
                              "Mid",           "Minimum",        "Noise p-p One",  "Noise p-p Zero", "Noise RMS One",
                              "Noise RMS Zero", "One Level",     "Peak-Peak",      "RMS",            "Signal to Noise",
                              "Zero Level"};

}  // namespace

TEye_Form::TEye_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell) : TSideMenuForm(menus, mainWindow), Shell_(shell) {
    setObjectName(QStringLiteral("Eye_Form"));
    auto page = [this](int n, const char* name, const char* caption) {
        Pages_[static_cast<std::size_t>(n - 1)] = NewMenuPage(this, name, QString::fromLatin1(caption), "Eye");
        return Pages_[static_cast<std::size_t>(n - 1)];
    };
    auto back = [this](TPageStacker& s, int n, const char* name) {
        QPushButton* b = s.AddButton(name, QStringLiteral("Back"));
        Backs_[static_cast<std::size_t>(n - 2)] = b;
        QObject::connect(b, &QPushButton::clicked, this, [this] { SetTopPanel(pgEye); });
    };
    const auto follow = [this](TRC_Switcher&) { UpdateMenu(); };

    TRC_RightMenuPanel* p = page(pgEye, "rmpEye", "Eye Diagram");
    {
        TPageStacker s(*p, FirstTop);
        s.Radio("rswMeasure", "Measure", "Measure", {"Off", "NRZ", "RZ"})->SetOnUpdateMe(follow);
        XButton_ = s.AddButton("btnXParams", "X Eye Parameters...");
        YButton_ = s.AddButton("btnYParams", "Y Eye Parameters...");
        StatisticsButton_ = s.AddButton("btnStatistics", "Statistics...");
        DefineButton_ = s.AddButton("btnDefine", "Define Parameters...");
        s.Add<TRC_OnOffSwitch>("oswDispaylWind", "View Define Param", "DispaylWind");
        s.Add<TRC_SignalSourceSwitcher>("sswSource", "Source", "Source");
    }
    struct TListPage {
        int Page;
        const char* Name;
        const char* Caption;
        const char* Switcher;
        const char* Mnemonic;
        const QStringList* Items;
        const char* Back;
    };
    static const TListPage lists[] = {
        {pgXNrz, "rmpXNrz", "X NRZ Parameters", "chswXNRZParam", "XNRZParam", &XNrzItems, "btnBackXNrz"},
        {pgXRz, "rmpXRz", "X RZ Parameters", "chswXRZParam", "XRZParam", &XRzItems, "btnBackXRz"},
        {pgYNrz, "rmpYNrz", "Y NRZ Parameters", "chswYNRZParam", "YNRZParam", &YNrzItems, "btnBackYNrz"},
        {pgYRz, "rmpYRz", "Y RZ Parameters", "chswYRZParam", "YRZParam", &YRzItems, "btnBackYRz"}};
    for (const TListPage& l : lists) {
        p = page(l.Page, l.Name, l.Caption);
        TPageStacker s(*p, FirstTop);
        back(s, l.Page, l.Back);
        auto* sw = new TRC_CheckSwitcher(p);
        sw->SetItems(*l.Items);
        s.Adopt(sw, l.Switcher, "Parameters", l.Mnemonic, sw->KindHeight());
    }
    p = page(pgStatistics, "rmpStatistics", "Statistics");
    {
        TPageStacker s(*p, FirstTop);
        s.Radio("rswMode", "Mode", "Mode", {"Normal", "Window", "Exponential"})->SetOnUpdateMe(follow);
        StatEdit_ = s.Edit("edswStatParam", QString::fromStdString(Shell_.LangStr("UpWAVEFORMS")), "Window");
        StatEdit_->SetHelpContext(StatisticsHelpContext);
        s.Edit("edswWfmsInCycle", "WFMS IN CYCLE", "WfmsInCycle");
        s.Add<TRC_OnOffSwitch>("oswStatistic", "Statistics", "Statistic");
        back(s, pgStatistics, "btnBackStatistics");
    }
    p = page(pgDefine, "rmpDefine", "Eye Define Parameters");
    {
        TPageStacker s(*p, FirstTop);
        s.Edit("edswLeftBound", "EYE BOUNDARY 1", "LeftBound");
        s.Edit("edswRightBound", "EYE BOUNDARY 2", "RightBound");
        s.Edit("edswUpTresh", "UPPER THRESHOLD", "UpTresh");
        s.Edit("edswLowTresh", "LOWER THRESHOLD", "LowTresh");
        s.Radio("rswTreshMode", "Thresholds", "TreshMode", {"10%-90%", "20%-80%", "User Defined"});
        back(s, pgDefine, "btnBackDefine");
    }
    // The parameter buttons open the lists of the chosen mode.
    QObject::connect(XButton_, &QPushButton::clicked, this, [this] { SetTopPanel(Measure() == ModeNrz ? pgXNrz : pgXRz); });
    QObject::connect(YButton_, &QPushButton::clicked, this, [this] { SetTopPanel(Measure() == ModeNrz ? pgYNrz : pgYRz); });
    QObject::connect(StatisticsButton_, &QPushButton::clicked, this, [this] { SetTopPanel(pgStatistics); });
    QObject::connect(DefineButton_, &QPushButton::clicked, this, [this] { SetTopPanel(pgDefine); });
    UpdateMenu();
}

int TEye_Form::Measure() const { return ReadChoiceSetting(Shell_.CommandTree(), "Eye:Measure", 0); }

TRC_RightMenuPanel* TEye_Form::Page(int page) const {
    return page >= 1 && page <= PageCount ? Pages_[static_cast<std::size_t>(page - 1)] : Pages_[0];
}

void TEye_Form::UpdateMenu() {
    if (Updating_) return;
    TResetOnExit<bool> done(Updating_, false);
    Updating_ = true;
    const bool mode = Measure() != 0;
    XButton_->setEnabled(mode);
    YButton_->setEnabled(mode);
    const bool weight = ReadChoiceSetting(Shell_.CommandTree(), "Eye:Mode", 0) == StatWeight;
    RetargetSwitcher(*StatEdit_, weight ? "Weight" : "Window");
    StatEdit_->SetCaption(QString::fromStdString(Shell_.LangStr(weight ? "UpWEIGHT" : "UpWAVEFORMS")));
}

void TEye_Form::SetTopPanel(int page) {
    if (page < 1 || page > PageCount) page = pgEye;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void TEyeMenuFeature::RegisterForms(TSideMenus& menus) {
    TShell* shell = &Shell_;
    menus.RegisterForm(mkEye, [shell](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TEye_Form(m, window, *shell);
    });
}

}  // namespace vt
