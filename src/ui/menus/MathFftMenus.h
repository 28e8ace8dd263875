#pragma once
// The side menus of the math functions (unit Math_Frm, kind 10) and of the spectra (unit FFT_Frm, kind
// 11): each one page whose switchers bind to the selected function's or spectrum's settings; and the
// feature that gives the math functions and spectra what they use of the rest of the program.
#include <functional>

#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TRC_RadioSwitcher;
class TRC_ListBoxSwitcher;
class TRC_SignalSourceSwitcher;
class TRC_EditSwitcher;
class TWaveformMath;
class TSpectra;
class TScopeAnalysisServices;
class TZoomViews;
class TRefSineCapture;
class TSignalAcq;

class TMath_Form : public TSideMenuForm {
public:
    TMath_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TWaveformMath& math);

    // Binds the page to the selected function; the trend's measurement takes the second operand's place.
    void UpdateMenu() override;
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page() const { return Page_; }
    TRC_ListBoxSwitcher* Operation() const { return Operat_; }
    TRC_SignalSourceSwitcher* Operand2() const { return Source2_; }
    TRC_ListBoxSwitcher* Measurement() const { return TrendMeas_; }

private:
    TShell& Shell_;
    const TWaveformMath& Math_;
    TRC_RightMenuPanel* Page_ = nullptr;
    TRC_ListBoxSwitcher* Operat_ = nullptr;
    TRC_SignalSourceSwitcher* Source2_ = nullptr;
    TRC_ListBoxSwitcher* TrendMeas_ = nullptr;
    bool Updating_ = false;
};

class TFFT_Form : public TSideMenuForm {
public:
    TFFT_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TSpectra& spectra);

    void UpdateMenu() override;
    void SetTopPanel(int page) override;

    TRC_RightMenuPanel* Page() const { return Page_; }
    TRC_RadioSwitcher* Window() const { return Window_; }

private:
    TShell& Shell_;
    const TSpectra& Spectra_;
    TRC_RightMenuPanel* Page_ = nullptr;
    TRC_RadioSwitcher* Window_ = nullptr;
    bool Updating_ = false;
};

// The math functions and spectra in the program: their forms, the views, capture and trend they
// use, and their recomputation while stopped.
class TMathFftMenuFeature : public TUiFeature {
public:
    // Any of zoom, capture, acquisition may be absent.
    TMathFftMenuFeature(TShell& shell, TScopeAnalysisServices& services, TZoomViews* zoom,
                        const TRefSineCapture* capture, TSignalAcq* acquisition);

    ~TMathFftMenuFeature() override;

    void RegisterForms(TSideMenus& menus) override;

private:
    // Stopped, a changed setting brings the derived sources up to date at once; within a setup recall
    // once, at its end.
    void RecomputeWhenStopped();
    void Recompute();

    TShell& Shell_;
    TScopeAnalysisServices& Services_;
    TSignalAcq* Acquisition_;
    bool Pending_ = false;
    std::function<void()> PreviousLoadHook_;
    bool HookedLoad_ = false;
};

}  // namespace vt
