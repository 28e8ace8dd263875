#include "ui/menus/MeasMenu.h"

#include <string>
#include <vector>

#include "acq/SignalSources.h"
#include "analysis/MeasurementList.h"
#include "analysis/MeasurementSettings.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int ThreshCustom = 2;
constexpr int UnitPercent = 0;
constexpr int MargMarker = 1;
constexpr int StatWeight = 2;

enum : int {
    pgMeasure = 1,
    pgDefine = 2,
    pgThresholds = 3,
    pgMargins = 4,
    pgX = 5,
    pgY = 6,
    pgFftDefine = 7,
    pgStatistics = 8,
    pgDual = 9,
    pgFftLists = 10
};

// A check list of one item per row.
TRC_CheckSwitcher* CheckList(TPageStacker& stack, TRC_RightMenuPanel* page, const char* name, const QString& caption,
                             const char* mnemonic, const QStringList& items, int columns = 1) {
    auto* sw = new TRC_CheckSwitcher(page);
    if (columns != 1) sw->SetColumns(columns);
    sw->SetItems(items);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    return stack.Adopt(sw, name, caption, mnemonic, TPageStacker::ButtonsHeight(rows));
}

}  // namespace

TMeas_Form::TMeas_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TMeasurementSettings& settings)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Settings_(settings) {
    setObjectName(QStringLiteral("Meas_Form"));
    auto page = [this](int n, const char* name, const char* caption, const char* group) {
        Pages_[static_cast<std::size_t>(n - 1)] = NewMenuPage(this, name, QString::fromLatin1(caption), group);
        return Pages_[static_cast<std::size_t>(n - 1)];
    };

    std::vector<TRC_Switcher*> follow;
    TRC_RightMenuPanel* p = page(pgMeasure, "rmpMeasure", "Measure", "Meas");
    {
        TPageStacker s(*p, FirstTop);
        follow.push_back(s.Radio("rswDisplay", "Display", "Display", {"Off", "Param", "Statistic"}));
        follow.push_back(s.Add<TRC_SignalSourceSwitcher>("sswDisplSrc", "Source", "DisplSrc"));
        s.Add<TRC_OnOffSwitch>("oswView", "View Definition", "View");
        s.Radio("rswMode", "Mode", "Mode", {"Permanent", "Single"});
        s.Adopt(new TRC_RightCommandSwitcher(p), "cswSingleMeas", "Single Measure", "SingleMeas");
        XButton_ = s.AddButton("btnXParams", "X Parameters...");
        YButton_ = s.AddButton("btnYParams", "Y Parameters...");
        DualButton_ = s.AddButton("btnDualParams", "Dual-Chan Param...");
        DefineButton_ = s.AddButton("btnDefine", "Define Parameters...");
        StatisticsButton_ = s.AddButton("btnStatistics", "Statistics...");
        s.Adopt(new TRC_RightCommandSwitcher(p), "cswClearAll", "Clear All", "ClearAll");
    }
    p = page(pgDefine, "rmpDefine", "Define Parameters", "Meas:Ch1");
    {
        TPageStacker s(*p, FirstTop);
        s.Radio("rswMethod", "Top-Base Method", "Method", {"Histogram", "Min-Max", "Marker"});
        s.Edit("edswTop", "TOP", "Top");
        s.Edit("edswBase", "BASE", "Base");
        follow.push_back(s.Radio("rswThresh", "Thresholds", "Thresh", {"10-90%", "20-80%", "Custom"}));
        ThresholdsButton_ = s.AddButton("btnThresholds", "Defined Thresholds...");
        follow.push_back(s.Radio("rswMargMode", "Margins", "MargMode", {"Slope", "Marker"}));
        s.Adopt(PageButton(p, pgMargins), "swMargins", "Margins...");
        s.Adopt(PageButton(p, pgMeasure), "swBackDefine", "Back");
    }
    p = page(pgThresholds, "rmpThresholds", "Define Thresholds", "Meas:Ch1");
    {
        TPageStacker s(*p, FirstTop);
        follow.push_back(s.Radio("rswUnit", "Unit", "Unit", {"Percent", "Volt", "Division"}));
        Thresholds_[0] = s.Edit("edswUpper", "UPPER", "UpThPerc");
        Thresholds_[1] = s.Edit("edswMiddle", "MIDDLE", "MidThPerc");
        Thresholds_[2] = s.Edit("edswLower", "LOWER", "LowThPerc");
        s.Adopt(PageButton(p, pgDefine), "swBackThresholds", "Back");
    }
    p = page(pgMargins, "rmpMargins", "Margins", "Meas:Ch1");
    {
        TPageStacker s(*p, FirstTop);
        Margins_[0] = s.Edit("edswLeft", "LEFT", "LeftMarker");
        Margins_[1] = s.Edit("edswRight", "RIGHT", "RightMarker");
        s.Radio("rswLeftTresh", "Left Threshold", "LeftTresh", {"Upper", "Middle", "Lower"});
        s.Radio("rswRightTresh", "Right Threshold", "RightTresh", {"Upper", "Middle", "Lower"});
        s.Adopt(PageButton(p, pgDefine), "swBackMargins", "Back");
    }
    p = page(pgX, "rmpXParams", "X Parameters", "Meas:Ch1");
    {
        TPageStacker s(*p, FirstTop);
        CheckList(s, p, "chswXParam", "X Parameters", "XParam",
                  {"Period", "Frequency", "+Width", "-Width", "Rise Time", "Fall Time", "+Duty Cycle", "-Duty Cycle",
                   "+Crossing", "-Crossing", "Burst Width", "Cycles", "Time of Max", "Time of Min", "+Jitter p-p",
                   "+Jitter RMS", "-Jitter p-p", "-Jitter RMS"});
        s.Adopt(PageButton(p, pgMeasure), "swBackX", "Back");
    }
    p = page(pgY, "rmpYParams", "Y Parameters", "Meas:Ch1");
    {
        TPageStacker s(*p, FirstTop);
        CheckList(s, p, "chswYParam", "Y Parameters", "YParam",
                  {"Maximum", "Minimum", "Peak-Peak", "Top", "Base", "Amplitude", "Middle", "Mean", "DC RMS", "AC RMS",
                   "Area", "Cycle Mean", "Cycle DC RMS", "Cycle AC RMS", "Cycle Area", "+Overshoot", "-Overshoot"});
        s.Adopt(PageButton(p, pgMeasure), "swBackY", "Back");
    }
    p = page(pgFftDefine, "rmpFftDefine", "FFT Define Parameters", "Meas:F1");
    {
        TPageStacker s(*p, FirstTop);
        s.Radio("rswFFTMethod", "Method", "FFTMethod", {"Harmonic", "Peak"});
        s.Edit("edswFFTLeft", "LEFT", "FFTLeft");
        s.Edit("edswFFTRight", "RIGHT", "FFTRight");
        s.Edit("edswPeakLevel", "PEAK LEVEL", "PeakLevel");
        s.Edit("edswPeakLeft", "LEFT PEAK", "PeakLeft");
        s.Edit("edswPeakRight", "RIGHT PEAK", "PeakRight");
        s.Adopt(PageButton(p, pgMeasure), "swBackFftDefine", "Back");
    }
    p = page(pgStatistics, "rmpStatistics", "Statistics", "Meas");
    {
        TPageStacker s(*p, FirstTop);
        follow.push_back(s.Radio("rswStatMode", "Mode", "StatMode", {"Permanent", "Window", "Weight"}));
        StatEdit_ = s.Edit("edswStatParam", "WAVEFORMS", "Window");
        s.Adopt(PageButton(p, pgMeasure), "swBackStatistics", "Back");
    }
    p = page(pgDual, "rmpDual", "Dual-Chan Parameters", "Meas:Ch1");
    {
        TPageStacker s(*p, FirstTop);
        s.Add<TRC_SignalSourceSwitcher>("sswSource2", "Second Source", "Source2");
        CheckList(s, p, "chswXDualPar", "X Parameters", "XDualPar",
                  {"Delay 1R-1R", "Delay 1R-1F", "Delay 1F-1R", "Delay 1F-1F", "Delay 1R-nR", "Delay 1R-nF",
                   "Delay 1F-nR", "Delay 1F-nF", "Phase deg", "Phase rad", "Phase %"});
        CheckList(s, p, "chswYDualPar", "Y Parameters", "YDualPar", {"Gain", "Gain dB"});
        s.Adopt(PageButton(p, pgMeasure), "swBackDual", "Back");
    }
    p = page(pgFftLists, "rmpFftLists", "FFT Parameters", "Meas:F1");
    {
        TPageStacker s(*p, FirstTop);
        CheckList(s, p, "chswXFFTPar", "X Parameters", "XFFTPar", {"Frequency", "Delta Freq"});
        CheckList(s, p, "chswYFFTPar", "Y Parameters", "YFFTPar", {"Magnitude", "Delta Magn", "THD"});
        s.Adopt(PageButton(p, pgMeasure), "swBackFftLists", "Back");
    }
    // The parameter buttons take the pages of the source's kind.
    QObject::connect(XButton_, &QPushButton::clicked, this, [this] { SetTopPanel(Spectrum() ? pgFftLists : pgX); });
    QObject::connect(YButton_, &QPushButton::clicked, this, [this] { SetTopPanel(Spectrum() ? pgFftLists : pgY); });
    QObject::connect(DefineButton_, &QPushButton::clicked, this,
                     [this] { SetTopPanel(Spectrum() ? pgFftDefine : pgDefine); });
    QObject::connect(DualButton_, &QPushButton::clicked, this, [this] { SetTopPanel(pgDual); });
    QObject::connect(StatisticsButton_, &QPushButton::clicked, this, [this] { SetTopPanel(pgStatistics); });
    QObject::connect(ThresholdsButton_, &QPushButton::clicked, this, [this] { SetTopPanel(pgThresholds); });
    // What the pages bind and enable follows these settings.
    for (TRC_Switcher* sw : follow) sw->SetOnUpdateMe([this](TRC_Switcher&) { UpdateMenu(); });
    UpdateMenu();
}

TRC_RightMenuPanel* TMeas_Form::Page(int page) const {
    return page >= 1 && page <= PageCount ? Pages_[static_cast<std::size_t>(page - 1)] : Pages_[0];
}

int TMeas_Form::Display() const { return ReadChoiceSetting(Shell_.CommandTree(), "Meas:Display", mdOff); }

bool TMeas_Form::Spectrum() const { return Settings_.DisplSrcIsSpectrum(); }

void TMeas_Form::UpdateMenu() {
    if (Updating_) return;
    TResetOnExit<bool> done(Updating_, false);
    Updating_ = true;
    TCommandTree* tree = Shell_.CommandTree();
    const int source = ReadChoiceSetting(tree, "Meas:DisplSrc", ssCh1);
    const std::string group = "Meas:" + SourceShortName(source >= 0 && source < SignalRecordCount ? source : ssCh1);
    for (int n : {pgDefine, pgThresholds, pgMargins, pgX, pgY, pgFftDefine, pgDual, pgFftLists}) {
        TRC_RightMenuPanel* panel = Page(n);
        // A spectrum source keeps the FFT pages, any other the time pages: a page never names a setting
        // its source lacks.
        const bool fft = n == pgFftDefine || n == pgFftLists;
        const bool dual = n == pgDual;
        std::string g = group;
        if (fft && !Spectrum() && source < ssF1) g = "Meas:F1";
        if (dual && source > ssM4) g = "Meas:Ch1";
        if (panel->GroupMnemonics() != g) panel->SetGroupMnemonics(g);
    }
    const int display = Display();
    const bool spectrum = Spectrum();
    XButton_->setEnabled(display != mdOff);
    YButton_->setEnabled(display != mdOff);
    DefineButton_->setEnabled(display != mdOff);
    StatisticsButton_->setEnabled(display == mdStatistic);
    DualButton_->setEnabled(display != mdOff && !spectrum && source <= ssM4);
    const std::string src = group + ":";
    ThresholdsButton_->setEnabled(ReadChoiceSetting(tree, src + "Thresh", 0) == ThreshCustom);
    const bool weight = ReadChoiceSetting(tree, "Meas:StatMode", 0) == StatWeight;
    RetargetSwitcher(*StatEdit_, weight ? "Weight" : "Window");
    StatEdit_->SetCaption(QString::fromStdString(Shell_.LangStr(weight ? "UpWEIGHT" : "UpWAVEFORMS")));
    const bool percent = ReadChoiceSetting(tree, src + "Unit", UnitPercent) == UnitPercent;
    static constexpr const char* percents[] = {"UpThPerc", "MidThPerc", "LowThPerc"};
    static constexpr const char* rows[] = {"UpThresh", "MidThresh", "LowThresh"};
    for (int i = 0; i < 3; ++i) RetargetSwitcher(*Thresholds_[static_cast<std::size_t>(i)], percent ? percents[i] : rows[i]);
    const bool marker = ReadChoiceSetting(tree, src + "MargMode", MargMarker) == MargMarker;
    RetargetSwitcher(*Margins_[0], marker ? "LeftMarker" : "LeftSlope");
    RetargetSwitcher(*Margins_[1], marker ? "RightMarker" : "RightSlope");
    // No statistics page without statistics.
    if (display != mdStatistic && CurrentPage == pgStatistics) SetTopPanel(pgMeasure);
}

void TMeas_Form::SetTopPanel(int page) {
    if (page < 1 || page > PageCount) page = pgMeasure;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void TMeasMenuFeature::RegisterForms(TSideMenus& menus) {
    TShell* shell = &Shell_;
    const TMeasurementSettings* settings = &Settings_;
    menus.RegisterForm(mkMeasurements, [shell, settings](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TMeas_Form(m, window, *shell, *settings);
    });
}

}  // namespace vt
