#include "ui/PatternLengthListFeature.h"

#include "acq/PatternLengthList.h"
#include "acq/Trigger.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/PatternLengthListForm.h"

namespace vt {

TPatternLengthListFeature::TPatternLengthListFeature(TShell& shell, TTrigger& trigger, std::function<void()>& openList)
    : Shell_(shell), Trigger_(trigger) {
    Trigger_.PatternLengthListEmpty = [this] { return Lengths_.empty(); };
    openList = [this] { OpenDialog(); };
}

void TPatternLengthListFeature::FillRows(TShell& shell) {
    shell.StartUpSteps.Add(TStartUpRow::LoadPatternLengthList, [this](TShell&) { Load(); });
}

void TPatternLengthListFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) { Window_ = &window; }

void TPatternLengthListFeature::Load() {
    Lengths_ = ReadPatternLengthList(Shell_.Folders.InstallFolder + PatternLengthListFile);
}

void TPatternLengthListFeature::OpenDialog() {
    TfrmPatternLengthList form(Shell_, Lengths_, [this] { Load(); }, Window_);
    form.exec();
}

}  // namespace vt
