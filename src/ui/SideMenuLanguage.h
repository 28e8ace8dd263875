#pragma once
// The language work that spans the forms: writing the English language file from the text table and
// every form, and switching the language while the program runs (both side menus reopen in it).
#include <QWidget>
#include <functional>
#include <vector>

namespace vt {

class TLanguageState;
class TSideMenus;

// The forms of the English file, in the order they are written.
struct TEnglishFileForms {
    const QWidget* NumericPad = nullptr;  // when it exists
    const QWidget* MainWindow = nullptr;
    TSideMenus* Menus = nullptr;          // each registered side-menu form is created, written and freed
    QWidget* DialogOwner = nullptr;
    // The dialogs, each created owned by DialogOwner, written and freed while the language state says
    // that the English file is being written.
    std::vector<std::function<QWidget*(QWidget* owner)>> Dialogs;
};

// Writes the English file when it is missing; false when there was nothing to do.
bool CreateEnglishLanguageFile(TLanguageState& language, const TEnglishFileForms& forms);

struct TLanguageSwitchTargets {
    QWidget* MainWindow = nullptr;
    TSideMenus* Menus = nullptr;
    std::function<void()> RebuildSourceCaptions;
    // After the side menus reopened: their title panels, the main caption, the display's texts.
    std::function<void()> AfterReopen;
};

// Makes language `index` the chosen one and shows every open form in it; false when nothing changed.
bool SwitchFormsLanguage(TLanguageState& language, int index, const TLanguageSwitchTargets& targets);

// Makes the side menus translate each form they create.
void TranslateSideMenus(TSideMenus& menus, TLanguageState& language);

}  // namespace vt
