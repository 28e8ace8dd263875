#include "ui/UtilFeature.h"

#include <QMenu>

#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/UtilSettings.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/menus/GssMenu.h"

namespace vt {

void TUtilFeature::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateUtilHandlers, [](TShell& s) { CreateUtilHandlers(s); });
    shell.Refresh.Add(TRefreshRow::RefreshUtilHandlers, [](TShell& s) {
        RefreshUtilHandlers(s, s.Records() && s.Records()->SignalsOn().IsOn(ssCh1));
    });
    shell.InstrumentStartSteps.Add(TInstrumentStartRow::RefreshHelpCaptionAndCalibration, [this](TShell& s) {
        RefreshHelpCaption(s);
        if (ReadAdjustmentValues) ReadAdjustmentValues();
    });
    shell.InstrumentStartSteps.Add(TInstrumentStartRow::ApplyGssDefaultsForLink,
                                   [](TShell& s) { ApplyGssDefaultsForLink(s); });
}

void TUtilFeature::AttachToProgram(TShell& shell) {
    shell.SetSimulator(MakeOwnedPart(std::make_unique<TTutorial>(shell)));
    if (TInstrumentSenders* senders = shell.Senders()) senders->Simulator = shell.Simulator();
}

void TUtilFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkSimGenerator, [](TSideMenus& m, QWidget* mainWindow, bool) -> TSideMenuForm* {
        return new TGSS_Form(m, mainWindow);
    });
}

void TUtilFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    HelpButton_ = window.findChild<TRC_MainCommandSwitcher*>(QStringLiteral("mcsHelp"));
}

void TUtilFeature::RefreshHelpCaption(TShell& shell) {
    if (!HelpButton_ || HelpButton_->MenuItems().isEmpty()) return;
    const TInstrumentIdentityUnit* unit = shell.Identity();
    const QString caption =
        QString::fromStdString(unit ? unit->Identity.GetInstrumentName() : shell.StartInstrumentName) + " &Help";
    QStringList items = HelpButton_->MenuItems();
    items[0] = caption;
    HelpButton_->SetMenuItems(items);
    if (QMenu* menu = HelpButton_->PopupMenu())
        if (auto* first = menu->findChild<QAction*>(QStringLiteral("Item0"))) first->setText(caption);
}

}  // namespace vt
