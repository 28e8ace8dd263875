#pragma once
// The user's list of pattern lengths: read at start-up, edited in its dialog from the trigger menu, and
// asked by the trigger's AutoDetect whether it holds any length.
#include <QPointer>
#include <functional>
#include <vector>

#include "ui/UiFeature.h"

class QWidget;

namespace vt {

class TShell;
class TTrigger;

class TPatternLengthListFeature : public TUiFeature {
public:
    // openList: the trigger menu's "Pattern Length List..." entry, filled here. Installed after the
    // trigger menu, this feature also ends after it: the trigger never calls it once it has gone.
    TPatternLengthListFeature(TShell& shell, TTrigger& trigger, std::function<void()>& openList);

    void FillRows(TShell& shell) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override { Window_ = nullptr; }

    const std::vector<int>& Lengths() const { return Lengths_; }
    void Load();
    void OpenDialog();

private:
    TShell& Shell_;
    TTrigger& Trigger_;
    std::vector<int> Lengths_;
    QPointer<QWidget> Window_;
};

}  // namespace vt
