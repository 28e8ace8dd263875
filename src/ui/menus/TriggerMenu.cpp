#include "ui/menus/TriggerMenu.h"

#include <QLabel>

#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LabelSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int Gap = 1;

}  // namespace

TTrig_Form::TTrig_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, std::function<void()> openList)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), OpenPatternLengthList_(std::move(openList)) {
    setObjectName("Trig_Form");

    Main_ = NewMenuPage(this, "rmpTriggerMain", "Trigger", "Trig");
    TPageStacker main(*Main_, FirstTop, Gap);
    QPushButton* more = main.AddButton("btnMore", " More...");
    main.Edit("edswIntRate", "INTERNAL RATE", "IntRate");
    main.Radio("rswMode", "Mode", "Mode", {"Freerun", "Triggered"});
    main.Edit("edswLevel", "LEVEL", "ExtLevel");
    main.Radio("rswSlope", "Slope", "Slope", {"Positive", "Negative"});
    main.Edit("edswHoldoff", "HOLDOFF", "Holdoff");
    main.Radio("rswSource", "Source", "Source", {"Ext Direct", "Ext Prescaler", "Internal Clock", "Clock Recovery"});
    main.Radio("rswHister", "Hysteresis", "Hister", {"Normal", "High sensitivity"});

    Cont_ = NewMenuPage(this, "rmpTriggerCont", "Trigger (cont.)", "Trig");
    TPageStacker cont(*Cont_, FirstTop, Gap);
    cont.AddLabel("lbExtDirectScale", "External Direct Scale");
    Attenuation_ = cont.Edit("edswAttenuation", "ATTENUATION", "Atten:Ratio");
    AttenUnit_ = cont.Radio("rswAttenUnit", "Attenuation Units", "Atten:Unit", {"Off", "Ratio", "Decibel"});
    AttenUnit_->SetOnUpdateMe([this](TRC_Switcher&) { FollowAttenuationUnit(); });
    QPushButton* back = cont.AddButton("btnBack", "Back");
    PatternSync_ = cont.AddButton("btnPatternSync", "Pattern Sync...");
    // The low-jitter reference is not available on this product line: its controls stay hidden.
    const TStackTop lowJitterTop = cont.Top();
    QLabel* lowJitterLabel = cont.AddLabel("lbLowJitter", "Low-Jitter Mode");
    auto* lowJitter = cont.Add<TRC_OnOffSwitch>("oswLowJitter", "Low-Jitter Mode", "LowJitter");
    auto* refFreq = cont.Add<TRC_LabelSwitcher>("lswRefFreq", "Reference Freq", "RefFreq", TRC_LabelSwitcher::DefaultHeight);
    auto* refDivider = cont.Edit("edswRefDivider", "REF. DIVIDER", "RefDivider");
    for (QWidget* w : {static_cast<QWidget*>(lowJitterLabel), static_cast<QWidget*>(lowJitter),
                       static_cast<QWidget*>(refFreq), static_cast<QWidget*>(refDivider)})
        w->hide();
    cont.MoveTo(lowJitterTop);

    PatternLock_ = NewMenuPage(this, "rmpTriggerPatternLock", "Pattern Sync", "Trig");
    TPageStacker lock(*PatternLock_, FirstTop, Gap);
    QPushButton* back2 = lock.AddButton("btnBack2", "Back");
    lock.Edit("edswPattLen", "PATTERN LENGTH", "PattLen");
    lock.Edit("edswPattDelay", "START BIT", "PattDelay");
    lock.Edit("edswScanBits", "SCAN BITS", "PattScanBits");
    lock.Add<TRC_OnOffSwitch>("oswEyeLine", "Eye Line", "PattEyeLine");
    lock.Add<TRC_LabelSwitcher>("lswDataRate", "Data Rate", "DataRate", TRC_LabelSwitcher::DefaultHeight);
    lock.Add<TRC_RightCommandSwitcher>("cswResetPattLock", "Reset Pattern Lock", "ResetPattLock");
    LengthList_ = lock.AddButton("btnPatternLengthList", "Pattern Length List...");
    LengthList_->setEnabled(false);
    lock.Radio("rswPatternLock", "Pattern Lock", "PatternLockMode", {"Off", "Auto Detect", "Manual"});
    lock.Edit("edswExtDivider", "TRIGGER DIVIDER", "ExtDivider");

    QObject::connect(more, &QPushButton::clicked, this, [this] { SetTopPanel(2); });
    QObject::connect(back, &QPushButton::clicked, this, [this] { SetTopPanel(1); });
    QObject::connect(PatternSync_, &QPushButton::clicked, this, [this] { SetTopPanel(3); });
    QObject::connect(back2, &QPushButton::clicked, this, [this] { SetTopPanel(2); });
    QObject::connect(LengthList_, &QPushButton::clicked, this, [this] {
        if (OpenPatternLengthList_) OpenPatternLengthList_();
    });
    UpdateMenu();
}

TRC_RightMenuPanel* TTrig_Form::Page(int page) const {
    switch (page) {
        case 2: return Cont_;
        case 3: return PatternLock_;
        default: return Main_;
    }
}

void TTrig_Form::FollowAttenuationUnit() {
    auto* unit = dynamic_cast<TRadioSwHandler*>(AttenUnit_->GetHandler());
    const char* target = unit && unit->GetItemIndex() == tauDB ? "Atten:DB" : "Atten:Ratio";
    if (Attenuation_->Mnemonics() != target) Attenuation_->SetMnemonics(target);
}

void TTrig_Form::UpdateMenu() {
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    PatternSync_->setVisible(identity && identity->Identity.HasOptPatSyncTrig());
    LengthList_->setEnabled(static_cast<bool>(OpenPatternLengthList_));
    FollowAttenuationUnit();
}

void TTrig_Form::SetTopPanel(int page) {
    const int shown = page >= 1 && page <= 3 ? page : 1;
    ShowPanel(Page(shown));
    TSideMenuForm::SetTopPanel(shown);
}

void TTrigMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkTrigger, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TTrig_Form(m, window, Shell_, OpenPatternLengthList);
    });
}

}  // namespace vt
