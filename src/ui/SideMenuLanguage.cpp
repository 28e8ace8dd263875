#include "ui/SideMenuLanguage.h"

#include <memory>

#include "core/LanguageState.h"
#include "ui/SideMenu.h"
#include "ui/controls/LanguageForm.h"

namespace vt {

bool CreateEnglishLanguageFile(TLanguageState& language, const TEnglishFileForms& forms) {
    return language.CreateEnglishLanguageFile([&forms](TLangIniFile& file) {
        if (forms.NumericPad) SaveFormTexts(file, *forms.NumericPad);
        if (forms.MainWindow) SaveFormTexts(file, *forms.MainWindow);
        if (forms.Menus) {
            // Each form is bound before it is written: its controls' texts (units) come from their
            // handlers. The slots themselves are left as they are.
            for (int kind = 0; kind < mkNone; ++kind) {
                std::unique_ptr<TSideMenuForm> form(forms.Menus->CreateDetachedForm(kind));
                if (!form) continue;
                form->UpdateMenu();
                for (TRC_RightMenuPanel* page : form->Pages()) BindSwitchersOf(*page);
                SaveFormTexts(file, *form);
            }
        }
        for (const auto& create : forms.Dialogs) {
            std::unique_ptr<QWidget> dialog(create(forms.DialogOwner));
            if (dialog) SaveFormTexts(file, *dialog);
        }
    });
}

bool SwitchFormsLanguage(TLanguageState& language, int index, const TLanguageSwitchTargets& targets) {
    if (!language.SwitchLanguage(index)) return false;
    if (targets.RebuildSourceCaptions) targets.RebuildSourceCaptions();
    if (targets.MainWindow)
        if (const TLangIniFile* file = language.FormTextsFile()) ApplyFormTexts(*file, *targets.MainWindow, language);
    if (targets.Menus) targets.Menus->ReopenSideMenus();
    if (targets.AfterReopen) targets.AfterReopen();
    return true;
}

void TranslateSideMenus(TSideMenus& menus, TLanguageState& language) {
    menus.SetTranslate([&language](TLanguageForm& form) { form.Translate(language); });
}

}  // namespace vt
