#include "ui/MainWindowFeature.h"

#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/MainCommandStrip.h"
#include "ui/MainWindow.h"
#include "ui/PermanentControls.h"
#include "ui/SideMenu.h"
#include "ui/SideMenuLanguage.h"
#include "ui/controls/Switcher.h"

namespace vt {

TMainWindowFeature::TMainWindowFeature() = default;

TMainWindowFeature::~TMainWindowFeature() { WindowGone(); }

void TMainWindowFeature::FillRows(TShell& shell) {
    Shell_ = &shell;
    shell.Registration.Add(TRegistrationRow::CreateGuiHandler, [this](TShell&) {
        if (!Window_) VT_INTERNAL_ERROR("MainWindowFeature", "Gui registered without a main window");
        Window_->CreateGuiHandler();
    });
    shell.StartUpSteps.Add(TStartUpRow::BindSwitchersOfStrips, [this](TShell&) {
        if (!Window_ || !Kit_) return;
        if (auto* strip = dynamic_cast<TRC_RightMenuPanel*>(&Window_->SystemControls()))
            BindMainCommandStrip(*strip, *Kit_);
        if (auto* strip = dynamic_cast<TRC_RightMenuPanel*>(&Window_->PermanentControls()))
            BindPermanentControls(*strip, *Kit_);
    });
    shell.StartUpSteps.Add(TStartUpRow::CreateEnglishLanguageFile, [this](TShell& s) {
        if (!Window_) return;
        TEnglishFileForms forms;
        if (NumericPad) forms.NumericPad = NumericPad();
        forms.MainWindow = Window_;
        forms.Menus = Menus_;
        forms.DialogOwner = Window_;
        // The dialogs in the file's order; those whose feature is not built are left out.
        static constexpr std::string_view Order[] = {
            "TSplashForm",    "TStdMaskFrm",        "TAboutForm",         "TAutocalTBF",
            "TCalibrateStatus", "TDialog1",         "TDialog2",           "TDialog3",
            "TAdjustAccess",  "TSysInfoFrm",        "TSelectModelofInstruments", "TfrmStdMaskStoreDlg",
            "TTcpIpFrm",      "TAutoScalFrm",       "TAutocalChannelsF",  "TfrmTDR_CalibrChannel",
            "TfrmMAC_Address", "TfrmSelectInstrument", "TfrmEditInstrument"};
        for (std::string_view name : Order)
            for (const auto& [className, create] : EnglishFileDialogs_)
                if (className == name) forms.Dialogs.push_back(create);
        CreateEnglishLanguageFile(s.Language(), forms);
    });
    // A language chosen with "Shadow:Lang" is carried out between cycles, where no form is in use.
    shell.IdleHousekeeping.Add(TIdleHousekeepingRow::LanguageSwitch, [this](TShell& s) {
        if (!s.LanguageSwitchRequest) return false;
        s.LanguageSwitchRequest = false;
        if (!Window_) return false;
        TLanguageSwitchTargets targets;
        targets.MainWindow = Window_;
        targets.Menus = Menus_;
        targets.RebuildSourceCaptions = [&s] {
            if (TSignalRecords* records = s.Records())
                records->BuildSourceCaptions([&s](std::string_view key) { return s.LangStr(key); });
        };
        targets.AfterReopen = [&s] {
            s.Display().TopTextUpdateAll();
            s.Analysis().RefreshMeasAnnotation();
            s.Serial().ShowEyeAnnotations();
        };
        SwitchFormsLanguage(s.Language(), ReadChoiceSetting(s.CommandTree(), "Shadow:Lang", 0), targets);
        return false;
    });
}

void TMainWindowFeature::AddEnglishFileDialog(std::string_view className,
                                              std::function<QWidget*(QWidget* owner)> create) {
    EnglishFileDialogs_.emplace_back(std::string(className), std::move(create));
}

void TMainWindowFeature::WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext& kit) {
    Window_ = &window;
    Menus_ = &menus;
    Kit_ = &kit;
    if (auto* strip = dynamic_cast<TRC_RightMenuPanel*>(&window.PermanentControls()); strip && Shell_) {
        Bindings_ = std::make_unique<TPermanentControlsBindings>(*strip, menus);
        Shell_->SetWindowBindings(Bindings_.get());
    }
}

void TMainWindowFeature::WindowGone() {
    if (Shell_ && Bindings_ && Shell_->WindowBindings() == Bindings_.get()) Shell_->SetWindowBindings(nullptr);
    Bindings_.reset();
    Window_ = nullptr;
    Menus_ = nullptr;
    Kit_ = nullptr;
}

}  // namespace vt
