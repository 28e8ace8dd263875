// The popup of an eye row in the bottom strip: its items as a model (the window shows it) and what
// each chosen item does.
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "serial/EyeStripRows.h"

namespace vt {

namespace {
constexpr int EyeRowCount = 4;
}  // namespace

std::vector<TReadoutProvider::TListedCell> TEyeStripRows::ListedCells() const {
    std::vector<TListedCell> cells;
    const int mode = Eye_.Measure();
    if (mode == emOff) return cells;
    for (int slot = 1; slot <= Eye_.ParamCount(mode) && slot <= EyeRowCount; ++slot)
        cells.push_back({NizCellRect(slot - 1, 1), slot});
    return cells;
}

TStripMenu TEyeStripRows::BuildEyePopupMenu(int slot) {
    TStripMenu menu;
    const TParam* p = Eye_.Slot(Eye_.Measure(), slot);
    if (!p) return menu;
    const bool shown = ShownSlot() == slot;
    const bool window = Eye_.DisplayWindowOn();
    const auto item = [&](std::string caption, const char* command, bool checked, bool enabled) {
        TStripMenuItem i;
        i.Caption = std::move(caption);
        i.Command = command;
        i.Checked = checked;
        i.Enabled = enabled;
        menu.push_back(std::move(i));
    };
    item(Eye_.EyeParamSourceName(*p), "AllVisible", window && shown, true);
    menu.back().Default = true;
    TStripMenuItem separator;
    separator.Separator = true;
    menu.push_back(separator);
    item(Shell_.LangStr("pumpSetAnnotation"), "Annot", shown, !shown);
    item(Shell_.LangStr("pumpDelAnnotations"), "DelAnnot", false, ShownSlot() != 0);
    item(Shell_.LangStr("pumpViewDefParams"), "DefParam", window, !window);
    item(Shell_.LangStr("pumpUnViewDefPars"), "DelDefParam", false, window);
    item(Shell_.LangStr("pumpRemoveParam"), "Remove", false, true);
    item(Shell_.LangStr("pumpRemoveAll"), "RemoveAll", false, true);
    return menu;
}

// The eye window's switch as one undo step; nothing is recorded when it is already so.
void TEyeStripRows::SetDisplayWindow(bool on) {
    auto* window = FindSetting<TOnOffHandler>(Shell_.CommandTree(), "Eye:DispaylWind");
    if (!window || window->GetOn() == on) return;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    window->SetOn(on);
}

void TEyeStripRows::HandleEyePopupCommand(const std::string& command, int slot) {
    const int mode = Eye_.Measure();
    if (!Eye_.Slot(mode, slot)) return;
    if (command == "AllVisible") {
        SetDisplayWindow(true);
        BuildEyeAnnotations(slot, mode);
    } else if (command == "Annot") {
        BuildEyeAnnotations(slot, mode);
    } else if (command == "DelAnnot") {
        if (ShownSlot() != 0) ClearAnnotations();
    } else if (command == "DefParam") {
        SetDisplayWindow(true);
    } else if (command == "DelDefParam") {
        SetDisplayWindow(false);
    } else if (command == "Remove") {
        Eye_.UncheckEyeParameter(mode, slot, true);
    } else if (command == "RemoveAll") {
        Eye_.RemoveAllEyeParameters();
    }
}

}  // namespace vt
