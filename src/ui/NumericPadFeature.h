#pragma once
// The numeric entry pad as a feature of the program: created after the main window, it is the kit's
// calculator of every edit switcher; its two settings are registered in their row.
#include <QPointer>
#include <functional>

#include "ui/UiFeature.h"
#include "ui/dialogs/NumericPadForm.h"

namespace vt {

class TShell;

class TNumericPadFeature : public TUiFeature {
public:
    // undoPadStep: the main commands' undo of one step with its redo dropped.
    TNumericPadFeature(TShell& shell, std::function<void()> undoPadStep);
    ~TNumericPadFeature() override;
    TNumericPadFeature(const TNumericPadFeature&) = delete;
    TNumericPadFeature& operator=(const TNumericPadFeature&) = delete;

    void FillRows(TShell& shell) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    TNewCalcFrm* Pad() const { return Pad_.data(); }

private:
    TShell& Shell_;
    std::function<void()> UndoPadStep_;
    QPointer<TNewCalcFrm> Pad_;
    TKitContext* Kit_ = nullptr;
};

}  // namespace vt
