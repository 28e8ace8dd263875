#include "ui/menus/MathFftMenus.h"

#include "acq/DerivedSignals.h"
#include "acq/SignalAcq.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int Gap = 2;
constexpr int ListHeight = 40;
constexpr int WindowHelpContext = 511;
constexpr const char* OperatorKeys[] = {
    "Add",       "Subtract",    "Multiply",   "Divide",    "Invert",     "Absolute",  "Exponent_e",
    "Exponent10", "Logarithm_e", "Logarithm10", "Differentiate", "Integrate", "InverseFFT", "IntLinear",
    "IntSinx_x", "Smoothing",   "Trend",      "Normalize", "LowJitter"};
constexpr const char* TrendKeys[] = {"Period",   "Frequency", "PosWidth",     "NegWidth",
                                     "RiseTime", "FallTime",  "PosDutyCycle", "NegDutyCycle"};

QString Lang(const TShell& shell, const char* key) { return QString::fromStdString(shell.LangStr(key)); }

}  // namespace

// ------------------------------------------------------------------------------------------ math

TMath_Form::TMath_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TWaveformMath& math)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Math_(math) {
    setObjectName("Math_Form");
    Page_ = NewMenuPage(this, "rmpFuntion", "Funtion", "F1");
    TPageStacker page(*Page_, FirstTop, Gap);
    auto* select = page.Radio("rswFuncSelect", "Function", ":SHADOW:FuncSelect", {"F1", "F2", "F3", "F4"}, 2);
    select->SetOnUpdateMe([this](TRC_Switcher&) { UpdateMenu(); });
    page.Add<TRC_OnOffSwitch>("swDisplay", "Display", "Display");
    Operat_ = page.Add<TRC_ListBoxSwitcher>("lswOperat", "Operation", "Operat", ListHeight);
    QStringList operators;
    for (const char* key : OperatorKeys) operators << Lang(shell, key);
    Operat_->SetItems(operators);
    Operat_->SetDropDownCount(17);
    Operat_->SetOnUpdateMe([this](TRC_Switcher&) { UpdateMenu(); });
    page.Add<TRC_SignalSourceSwitcher>("sswSource1", "Operand 1", "Source1", ListHeight);
    const TStackTop second = page.Top();
    Source2_ = page.Add<TRC_SignalSourceSwitcher>("sswSource2", "Operand 2", "Source2", ListHeight);
    page.MoveTo(second);
    TrendMeas_ = page.Add<TRC_ListBoxSwitcher>("lswTrendMeas", "Measurement", "TrendMeas", ListHeight);
    QStringList kinds;
    for (const char* key : TrendKeys) kinds << Lang(shell, key);
    TrendMeas_->SetItems(kinds);
    page.Edit("edswConst", "CONSTANT", "Const");
    page.Edit("edswSmoothLen", "SMOOTHING", "SmoothLen");
    UpdateMenu();
}

void TMath_Form::UpdateMenu() {
    if (Updating_) return;
    TResetOnExit<bool> done(Updating_, false);
    Updating_ = true;
    const int f = Math_.Selected();
    const std::string group = "F" + std::to_string(f + 1);
    if (Page_->GroupMnemonics() != group) Page_->SetGroupMnemonics(group);
    Page_->SetCaption(Lang(Shell_, "Function") + QStringLiteral(" %1").arg(f + 1));
    const TRadioSwHandler* op = Math_.Handlers(f).Operat;
    const bool trend = op && op->GetItemIndex() == moTrend;
    Source2_->setVisible(!trend);
    TrendMeas_->setVisible(trend);
    Page_->update();
}

void TMath_Form::SetTopPanel(int) {
    ShowPanel(Page_);
    TSideMenuForm::SetTopPanel(1);
}

// --------------------------------------------------------------------------------------- spectra

TFFT_Form::TFFT_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TSpectra& spectra)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Spectra_(spectra) {
    setObjectName("FFT_Form");
    Page_ = NewMenuPage(this, "rmpFFT", "FFT", "Spectr1");
    TPageStacker page(*Page_, FirstTop, Gap);
    auto* select = page.Radio("rswFFTSelect", "Spectrum", ":SHADOW:FFTSelect", {"Spectr1", "Spectr2"});
    select->SetOnUpdateMe([this](TRC_Switcher&) { UpdateMenu(); });
    page.Add<TRC_OnOffSwitch>("swDisplay", "Display", "Display");
    page.Add<TRC_SignalSourceSwitcher>("sswSource", "Source", "Source", ListHeight);
    Window_ = page.Radio("rswWindow", "Window", "Window",
                         {"Rectang", "Hamming", "Hanning", "Flattop", "BlackHarr", "KaiserBess"});
    Window_->SetOnUpdateMe([this](TRC_Switcher&) { UpdateMenu(); });
    UpdateMenu();
}

void TFFT_Form::UpdateMenu() {
    if (Updating_) return;
    TResetOnExit<bool> done(Updating_, false);
    Updating_ = true;
    const int k = Spectra_.Selected();
    const std::string group = "Spectr" + std::to_string(k + 1);
    if (Page_->GroupMnemonics() != group) Page_->SetGroupMnemonics(group);
    Page_->SetCaption(Lang(Shell_, "Spectrum") + QStringLiteral(" %1").arg(k + 1));
    const TRadioSwHandler* window = Spectra_.Handlers(k).Window;
    Window_->SetHelpContext(WindowHelpContext + (window ? window->GetItemIndex() : 0));
    Page_->update();
}

void TFFT_Form::SetTopPanel(int) {
    ShowPanel(Page_);
    TSideMenuForm::SetTopPanel(1);
}

// --------------------------------------------------------------------------------------- feature

TMathFftMenuFeature::TMathFftMenuFeature(TShell& shell, TScopeAnalysisServices& services, TZoomViews* zoom,
                                         const TRefSineCapture* capture, TSignalAcq* acquisition)
    : Shell_(shell), Services_(services), Acquisition_(acquisition) {
    TWaveformMath& math = services.Math();
    math.Zoom = zoom;
    math.Capture = capture;
    math.SettingsChanged = [this] { RecomputeWhenStopped(); };
    services.Spectra().Zoom = zoom;
    services.Spectra().SettingsChanged = [this] { RecomputeWhenStopped(); };
}

TMathFftMenuFeature::~TMathFftMenuFeature() {
    TWaveformMath& math = Services_.Math();
    math.SettingsChanged = nullptr;
    math.Zoom = nullptr;
    math.Capture = nullptr;
    Services_.Spectra().SettingsChanged = nullptr;
    Services_.Spectra().Zoom = nullptr;
    if (TCommandTree* tree = Shell_.CommandTree(); tree && HookedLoad_) tree->OnAfterSettingsLoad = PreviousLoadHook_;
}

void TMathFftMenuFeature::RecomputeWhenStopped() {
    if (Shell_.RunOn || Shell_.SingleOn || !Shell_.RegistrationDone) return;
    TCommandTree* tree = Shell_.CommandTree();
    if (tree && tree->SettingsLoading()) {
        Pending_ = true;
        if (!HookedLoad_) {
            // Others may hook the load's end too: theirs runs first.
            HookedLoad_ = true;
            PreviousLoadHook_ = tree->OnAfterSettingsLoad;
            tree->OnAfterSettingsLoad = [this] {
                if (PreviousLoadHook_) PreviousLoadHook_();
                if (!Pending_) return;
                Pending_ = false;
                Recompute();
            };
        }
        return;
    }
    Recompute();
}

void TMathFftMenuFeature::Recompute() {
    if (Shell_.RunOn || Shell_.SingleOn || !Shell_.Records() || !Acquisition_) return;
    TDerivedSignals* derived = Acquisition_->Derived();
    if (!derived) return;
    derived->SostaritjIliOtklFuncSpectrGdeNado();
    derived->ReCalculateFuncAndSpectrGdeNado(false);
    // Drawn already: shown, as the end of a cycle marks them, so that the next acquisition ages them.
    TSignalRecords& records = *Shell_.Records();
    for (int s : {ssF1, ssF2, ssF3, ssF4, ssS1, ssS2})
        if (records.State(s) == srcFresh) records.SetState(s, srcUpToDate);
}

void TMathFftMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkMath, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TMath_Form(m, window, Shell_, Services_.Math());
    });
    menus.RegisterForm(mkFFT, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TFFT_Form(m, window, Shell_, Services_.Spectra());
    });
}

}  // namespace vt
