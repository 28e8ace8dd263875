#pragma once
// The utility settings and the demo simulator as a feature of the program: the simulator is created
// beside the link and takes the senders' values; the settings' registration and refresh rows; at an
// instrument start the help menu's first item names the instrument and the simulated routing follows
// the link; the "Demo Signal" side menu.
#include <QPointer>
#include <functional>

#include "ui/UiFeature.h"
#include "ui/controls/CommandSwitchers.h"

namespace vt {


class TUtilFeature : public TUiFeature {
public:
    void FillRows(TShell& shell) override;
    // Creates the simulator in the shell and makes it the senders' simulator sink.
    void AttachToProgram(TShell& shell) override;
    void RegisterForms(TSideMenus& menus) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override { HelpButton_ = nullptr; }

    // The first item of the help menu becomes the instrument's name followed by " &Help".
    void RefreshHelpCaption(TShell& shell);
    // Reads the calibration values at an instrument start, after the help caption.
    std::function<void()> ReadAdjustmentValues;

private:
    QPointer<TRC_MainCommandSwitcher> HelpButton_;
};

}  // namespace vt
