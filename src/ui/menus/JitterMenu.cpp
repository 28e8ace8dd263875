#include "ui/menus/JitterMenu.h"

#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "serial/ScopeSerialServices.h"
#include "ui/JitterPlotWindows.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {
constexpr int FirstTop = 18;
constexpr int Gap = 2;
}  // namespace

TJitter_Form::TJitter_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell)
    : TSideMenuForm(menus, mainWindow), Shell_(shell) {
    setObjectName("Jitter_Form");
    const auto page = [this](int n, const char* name, const char* caption) {
        Pages_[static_cast<std::size_t>(n - 1)] = NewMenuPage(this, name, caption, "Jitter");
        return Pages_[static_cast<std::size_t>(n - 1)];
    };
    TPageStacker main(*page(1, "rmpJitter", " Jitter "), FirstTop, Gap);
    main.Add<TRC_OnOffSwitch>("oswJitterOn", QStringLiteral("Jitter"), "JitterOn");
    QPushButton* toParams = main.AddButton("btnJitter", QStringLiteral("Jitter..."));
    QPushButton* toGraph = main.AddButton("btnGraph", QStringLiteral("Graph..."));
    QPushButton* toSetup = main.AddButton("btnJitterSetup", QStringLiteral("Jitter Setup..."));

    TPageStacker params(*page(2, "rmpJitterParams", " Jitter "), FirstTop, Gap);
    QPushButton* back2 = params.AddButton("btnBack2", QStringLiteral("Back"));
    auto* list = params.Add<TRC_CheckSwitcher>("cswJParam", QStringLiteral("Parameters"), "JParam", TPageStacker::ButtonsHeight(8));
    list->SetItems({"Total", "Periodic p-p", "Periodic RMS", "Determin. p-p", "Data Depend.", "Random", "Duty Cycle Dist.",
                    "Inter Symbol"});

    TPageStacker graph(*page(3, "rmpGraph", " Graph "), FirstTop, Gap);
    QPushButton* back3 = graph.AddButton("btnBack3", QStringLiteral("Back"));
    auto* plots = graph.Add<TRC_CheckSwitcher>("cswJPlots", QStringLiteral("Plots"), "JPlots", TPageStacker::ButtonsHeight(7));
    plots->SetItems({"RJ+PJ Hist.", "DDJ Hist.", "TJ Hist.", "Composite", "Comp. DDJ", "DDJ vs Bit", "BER Bathtub"});

    TPageStacker setup(*page(4, "rmpJitterSetup", " Jitter Setup "), FirstTop, Gap);
    QPushButton* back4 = setup.AddButton("btnBack4", QStringLiteral("Back"));
    setup.Radio("rswSource", QStringLiteral("Source"), "Source", {"Ch1", "Ch2"}, 2);
    setup.Radio("rswUnit", QStringLiteral("Unit"), "Unit", {"Second", "Interval"});
    auto* level = setup.Radio("rswSmplLvl", QStringLiteral("Sampling Level"), "SmplLvl", {"% Ampl.", "Level", "Average"});
    level->SetOnUpdateMe([this](TRC_Switcher&) { UpdateMenu(); });
    Level_ = setup.Edit("edswLevel", QStringLiteral("AMPLITUDE"), "PercAmpl");

    QObject::connect(toParams, &QPushButton::clicked, this, [this] { SetTopPanel(2); });
    QObject::connect(toGraph, &QPushButton::clicked, this, [this] { SetTopPanel(3); });
    QObject::connect(toSetup, &QPushButton::clicked, this, [this] { SetTopPanel(4); });
    for (QPushButton* back : {back2, back3, back4})
        QObject::connect(back, &QPushButton::clicked, this, [this] { SetTopPanel(1); });
    UpdateMenu();
}

TRC_RightMenuPanel* TJitter_Form::Page(int page) const {
    return page >= 1 && page <= 4 ? Pages_[static_cast<std::size_t>(page - 1)] : nullptr;
}

void TJitter_Form::UpdateMenu() {
    const bool level = ReadChoiceSetting(Shell_.CommandTree(), "Jitter:SmplLvl", 0) == 1;
    RetargetSwitcher(*Level_, level ? "CustLevel" : "PercAmpl");
    Level_->SetCaption(QString::fromStdString(Shell_.LangStr(level ? "LEVEL" : "AMPLITUDE")));
}

void TJitter_Form::SetTopPanel(int page) {
    if (page < 1 || page > 4) page = 1;
    ShowPanel(Pages_[static_cast<std::size_t>(page - 1)]);
    TSideMenuForm::SetTopPanel(page);
}

TJitterUiFeature::TJitterUiFeature(TShell& shell) : Shell_(shell) {}

TJitterUiFeature::~TJitterUiFeature() { WindowGone(); }

void TJitterUiFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkJitter, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TJitter_Form(m, window, Shell_);
    });
}

void TJitterUiFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    Table_ = std::make_unique<TJitterPlotTable>(window, Shell_);
    if (auto* serial = dynamic_cast<TScopeSerialServices*>(&Shell_.Serial())) serial->Jitter().SetPlotWindows(Table_.get());
}

void TJitterUiFeature::WindowGone() {
    if (auto* serial = dynamic_cast<TScopeSerialServices*>(&Shell_.Serial())) serial->Jitter().SetPlotWindows(nullptr);
    Table_.reset();
}

void TJitterUiFeature::ClearJitterPlotBit(int plot) {
    if (auto* plots = FindSetting<TCheckSwHandler>(Shell_.CommandTree(), "Jitter:JPlots")) plots->SetBit(plot, false);
}

}  // namespace vt
