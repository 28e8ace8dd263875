#pragma once
// The TDR/TDT side menu (kind 17): the mode, the channel roles and units, the distance axis, the
// normalization and the measurement source with its margins; and the TDR/TDT feature of the program,
// which connects the settings to the generators, the channels, the timebase and the math functions,
// and shows the normalization wizard's dialog.
#include <QPointer>
#include <array>

#include "serial/TdrNormalization.h"
#include "ui/SideMenu.h"
#include "ui/UiFeature.h"

class QLabel;

namespace vt {

class TShell;
class TChannels;
class TGenerator;
class TTimebase;
class TWaveformMath;
class TRC_EditSwitcher;
class TRC_RadioSwitcher;
class TRC_Switcher;
class TfrmTDR_TDT_Normalization;

class TTDR_Form : public TSideMenuForm {
public:
    TTDR_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell);

    // 1 .. 5; any other selects page 1.
    void SetTopPanel(int page) override;
    void UpdateMenu() override { Follow(); }
    // Shows the controls of the mode and binds the pages to the chosen channel and source.
    void Follow();

    TRC_RightMenuPanel* Page(int page) const { return Pages_[static_cast<std::size_t>(page < 1 || page > 5 ? 0 : page - 1)]; }
    QLabel* NormalizedLabel() const { return Normalized_; }

private:
    TShell& Shell_;
    std::array<TRC_RightMenuPanel*, 5> Pages_{};
    std::array<TRC_Switcher*, 4> PageButtons_{};
    std::array<TRC_Switcher*, 3> TdrControls_{};
    std::array<TRC_Switcher*, 3> TdtControls_{};
    TRC_Switcher* TdrParams_ = nullptr;
    TRC_Switcher* TdtParams_ = nullptr;
    TRC_EditSwitcher* Propagation_ = nullptr;
    QLabel* Normalized_ = nullptr;
};

class TTdrMenuFeature : public TUiFeature, public TTdrNormalizationView {
public:
    TTdrMenuFeature(TShell& shell, TGenerator& generator, TChannels& channels, TTimebase& timebase, TWaveformMath& math);
    ~TTdrMenuFeature() override;

    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    void ShowModal(TTdrNormalization& run) override;
    void EndModal() override;
    void Changed(TTdrNormalization& run) override;

private:
    TShell& Shell_;
    TWaveformMath& Math_;
    TSideMenus* Menus_ = nullptr;
    QPointer<QWidget> Window_;
    QPointer<TfrmTDR_TDT_Normalization> Dialog_;
};

}  // namespace vt
