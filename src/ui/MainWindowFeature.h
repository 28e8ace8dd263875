#pragma once
// The main window's own part in the fixed orders: the "Gui" setting, the binding of the two
// permanent control strips and the English language file with the forms' texts.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/UiFeature.h"

namespace vt {

class TShell;
class TPermanentControlsBindings;

class TMainWindowFeature : public TUiFeature {
public:
    TMainWindowFeature();
    ~TMainWindowFeature() override;
    void FillRows(TShell& shell) override;
    void WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) override;
    void WindowGone() override;

    // The numeric entry pad once it exists: the English file writes it first.
    std::function<const QWidget*()> NumericPad;
    // A dialog the English file writes, by its class name; the file keeps its own order of them.
    void AddEnglishFileDialog(std::string_view className, std::function<QWidget*(QWidget* owner)> create);

private:
    TMorda_fr* Window_ = nullptr;
    TSideMenus* Menus_ = nullptr;
    TKitContext* Kit_ = nullptr;
    TShell* Shell_ = nullptr;
    // What the settings units ask of the strip and the side menus, while the window exists.
    std::unique_ptr<TPermanentControlsBindings> Bindings_;
    std::vector<std::pair<std::string, std::function<QWidget*(QWidget*)>>> EnglishFileDialogs_;
};

}  // namespace vt
