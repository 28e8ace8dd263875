#include "program/ProgramLinkServices.h"

#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

TProgramLinkServices::~TProgramLinkServices() {
    TInstrumentLink* link = Shell_.Link();
    if (!Attached_ || !link) return;
    link->SetTexts(nullptr);
    link->SetCommErrorReport(nullptr);
    link->SetRecovery(nullptr);
}

void TProgramLinkServices::FillRows(TShell& shell) {
    shell.InstrumentStartSteps.Add(TInstrumentStartRow::ResendInstrumentSettings, [this](TShell&) {
        ResendInstrumentSettings();
    });
}

void TProgramLinkServices::AttachToProgram(TShell& shell) {
    TInstrumentLink* link = shell.Link();
    if (!link) return;
    link->SetTexts(this);
    link->SetCommErrorReport(this);
    link->SetRecovery(this);
    Attached_ = true;
}

std::string TProgramLinkServices::LangText(std::string_view key, std::string_view builtIn) {
    const std::string* text = Shell_.Language().Strings().Find(key);
    return text ? *text : std::string(builtIn);
}

void TProgramLinkServices::ReportCommError(std::string_view suffix) { Shell_.Display().ReportCommError(suffix); }

void TProgramLinkServices::ClearCommError() { Shell_.Display().ClearCommError(); }

bool TProgramLinkServices::ResendInstrumentSettings() {
    TInstrumentSenders* senders = Shell_.Senders();
    return !senders || senders->ResendInstrumentSettings();
}

bool TProgramLinkServices::ReadIndividualData() {
    TInstrumentIdentityUnit* unit = Shell_.Identity();
    return !unit || unit->ReadIndividualData(Shell_.StartInstrumentName);
}

void TProgramLinkServices::RefreshAfterConnect() {
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    TRefreshOptions options;
    if (unit) options = {unit->Identity.HasOptOptics(), unit->Identity.HasOptGenerators()};
    UpdateUiForInstrument(Shell_, options);
}

void TProgramLinkServices::Beep() { Shell_.User().Beep(); }

}  // namespace vt
