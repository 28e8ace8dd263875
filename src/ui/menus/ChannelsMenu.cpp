#include "ui/menus/ChannelsMenu.h"

#include "acq/Channels.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

TUsil_Form::TUsil_Form(TSideMenus& menus, QWidget* mainWindow, bool leftSide, TShell& shell,
                       const TChannels& channels)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Channels_(channels) {
    setObjectName(QStringLiteral("Usil_Form"));
    setWindowTitle(QStringLiteral("Channels"));

    rmpChannelsMain_ = new TRC_RightMenuPanel(this);
    rmpChannelsMain_->setObjectName(QStringLiteral("rmpChannelsMain"));
    rmpChannelsMain_->SetCaption(QStringLiteral("Channel 1"));
    rmpChannelsMain_->SetGroupMnemonics("CH1");
    TPageStacker main(*rmpChannelsMain_);
    Select_ = main.Add<TRC_RadioSwitcher>("rswSelect", QStringLiteral("Select"),
                                          leftSide ? ":SHADOW:MenuSelectL" : ":SHADOW:MenuSelectR",
                                          TPageStacker::ButtonsHeight(1));
    Select_->SetColumns(2);
    Select_->SetItems({QStringLiteral("Ch1"), QStringLiteral("Ch2")});
    Select_->SetOnUpdateMe([this](TRC_Switcher&) { SelectChannel(); });
    main.Add<TRC_OnOffSwitch>("oswDisplay", QStringLiteral("Display"), "Display");
    QPushButton* more = main.AddButton("btMore", QStringLiteral(" More..."));
    connect(more, &QPushButton::clicked, this, [this] { SetTopPanel(2); });
    Scale_ = main.Add<TRC_EditSwitcher>("edswScale", QStringLiteral("SCALE"), "Scale");
    Offset_ = main.Add<TRC_EditSwitcher>("edswOffset", QStringLiteral("OFFSET"), "Offset");
    auto* band = main.Add<TRC_RadioSwitcher>("rswBand", QStringLiteral("Bandwidth"), "Band",
                                             TPageStacker::ButtonsHeight(2));
    band->SetItems({QStringLiteral("Full"), QStringLiteral("Narrow")});
    main.Add<TRC_EditSwitcher>("edswDeskew", QStringLiteral("DESKEW (Alt Acq)"), "Deskew");
    main.Add<TRC_OnOffSwitch>("oswAcquire", QStringLiteral("Acquire"), "Acquire");

    rmpChannelsContinue_ = new TRC_RightMenuPanel(this);
    rmpChannelsContinue_->setObjectName(QStringLiteral("rmpChannelsContinue"));
    rmpChannelsContinue_->SetCaption(QStringLiteral("Channel 1 (cont.)"));
    rmpChannelsContinue_->SetGroupMnemonics("CH1");
    TPageStacker cont(*rmpChannelsContinue_);
    cont.AddLabel("lbExternalScale", QStringLiteral("External Scale"));
    QPushButton* back = cont.AddButton("btBack", QStringLiteral("Back"));
    connect(back, &QPushButton::clicked, this, [this] { SetTopPanel(1); });
    AttenUnit_ = cont.Add<TRC_RadioSwitcher>("rswAttenUnits", QStringLiteral("Attenuation Units"), "Atten:Unit",
                                             TPageStacker::ButtonsHeight(3));
    AttenUnit_->SetItems({QStringLiteral("Off"), QStringLiteral("Ratio"), QStringLiteral("Decibel")});
    AttenUnit_->SetOnUpdateMe([this](TRC_Switcher&) { BindAttenuation(); });
    Attenuation_ = cont.Add<TRC_EditSwitcher>("edswAttenuation", QStringLiteral("ATTENUATION"), "Atten:Ratio");
    auto* dimens = cont.Add<TRC_RadioSwitcher>("rswAttenDimens", QStringLiteral("Scale"), "Atten:Dimens",
                                               TPageStacker::ButtonsHeight(4));
    dimens->SetItems({QStringLiteral("Volt"), QStringLiteral("Watt"), QStringLiteral("Ampere"), QStringLiteral("Unknown")});
}

int TUsil_Form::SelectedChannel() const { return Select_->ItemIndex() == 1 ? ChannelIndex2 : ChannelIndex1; }

void TUsil_Form::SelectChannel() {
    const int channel = SelectedChannel();
    const int number = ChannelNumber(channel);
    const std::string group = "CH" + std::to_string(number);
    rmpChannelsMain_->SetCaption(QString::fromStdString(Shell_.LangStr("Channel")) + QStringLiteral(" %1").arg(number));
    // The language text is a caption, not a format: only its "%d" takes the number.
    rmpChannelsContinue_->SetCaption(
        QString::fromStdString(Shell_.LangStr("ChannelCont")).replace(QStringLiteral("%d"), QString::number(number)));
    const std::string prefix = Channels_.ChannelScaleUnitPrefix(channel);
    Scale_->SetMnemonics(prefix + "Scale");
    Offset_->SetMnemonics(prefix + "Offset");
    rmpChannelsMain_->SetGroupMnemonics(group);
    rmpChannelsContinue_->SetGroupMnemonics(group);
}

void TUsil_Form::BindAttenuation() {
    Attenuation_->SetMnemonics(AttenUnit_->ItemIndex() == 2 ? "Atten:DB" : "Atten:Ratio");
}

void TUsil_Form::UpdateMenu() {
    // The TDR state may have changed what scale and offset mean.
    if (Select_->GetHandler()) SelectChannel();
}

void TUsil_Form::SetTopPanel(int page) {
    ShowPanel(page == 2 ? rmpChannelsContinue_ : rmpChannelsMain_);
    TSideMenuForm::SetTopPanel(page == 2 ? 2 : 1);
}

}  // namespace vt
