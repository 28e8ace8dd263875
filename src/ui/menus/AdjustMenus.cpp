#include "ui/menus/AdjustMenus.h"

#include <QLabel>
#include <algorithm>
#include <memory>

#include "core/DotNumberText.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/AdjustmentValues.h"
#include "link/InstrumentIdentity.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int Gap = 1;

TRC_EditSwitcher* Edit(QWidget* page) { return new TRC_EditSwitcher(page); }

TRC_ListBoxSwitcher* List(QWidget* page, const QStringList& items) {
    auto* sw = new TRC_ListBoxSwitcher(page);
    sw->SetItems(items);
    return sw;
}

TRC_RightCommandSwitcher* Command(QWidget* page) { return new TRC_RightCommandSwitcher(page); }

bool SecondLine(TShell& shell) {
    const TInstrumentIdentityUnit* unit = shell.Identity();
    return unit && unit->Identity.IsModelFamilyB();
}

const QStringList ChannelGroups = {"Ch1 Full BW", "Ch2 Full BW", "Ch1 Narrow BW", "Ch2 Narrow BW"};

}  // namespace

TCalibrationFormBase::TCalibrationFormBase(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const char* name,
                                           std::vector<const char*> captions)
    : TSideMenuForm(menus, mainWindow), Shell_(shell) {
    setObjectName(name);
    for (std::size_t i = 0; i < captions.size(); ++i) {
        auto* page = new TRC_RightMenuPanel(this);
        page->setObjectName(QString("rmpPage%1").arg(i + 1));
        page->SetCaption(captions[i]);
        page->setGeometry(0, 0, SideMenuPageWidth, SideMenuPageHeight);
        page->hide();
        Pages_.push_back(page);
    }
}

void TCalibrationFormBase::FollowChannelGroup(int page, QLabel* label) {
    TRC_Switcher* groups = Control("swChannelAndBW");
    auto apply = [this, page, label](int group) {
        group = std::clamp(group, 0, 3);
        Page(page)->SetGroupMnemonics("FLASH:Calibr:" + std::string(ChannelGroupName(group)));
        const std::string text = FormatDot(Shell_.LangStr("Ch__Bw"), (group & 1) + 1) +
                                 Shell_.LangStr(group >= 2 ? "Narrow" : "Full") + Shell_.LangStr("BW");
        label->setText(QString::fromStdString(text));
        ChannelGroupChanged(group);
    };
    groups->SetOnUpdateMe([apply](TRC_Switcher& sw) {
        if (auto* h = dynamic_cast<TRadioSwHandler*>(sw.GetHandler())) apply(h->GetItemIndex());
    });
    apply(ReadChoiceSetting(Shell_.CommandTree(), "Shadow:Calibr:ChnlsBW", 0));
}

void TCalibrationFormBase::SetTopPanel(int page) {
    if (page < 1 || page > PageCount()) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

// ------------------------------------------------------------------------------------ calibration

TCalibr_Form::TCalibr_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, std::function<void()> showStatus)
    : TCalibrationFormBase(menus, mainWindow, shell, "Calibr_Form",
                           {"Calibrate", "Calibrate (Channels)", "Calibrate ( TB )"}) {
    TRC_RightMenuPanel* p = Page(1);
    auto c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(PageButton(p, 2), "swChannels", "Channels...", nullptr);
    c->Adopt(PageButton(p, 3), "swTimeBase", "Time Base...", nullptr);
    auto* status = c->Adopt(new TRC_RightPassiveCommandSwitcher(p), "swStatus", "Calibration Status...", nullptr);
    status->SetOnUpdateMe([showStatus](TRC_Switcher&) {
        if (showStatus) showStatus();
    });
    c->Adopt(PageButton(p, 0), "swBack", "Back", nullptr);
    c->Adopt(Command(p), "swStoreAll", "Store all Constants", ":FLASH:Calibr:StoreAll");
    c->Adopt(Command(p), "swRecallAll", "Recall all Constants", ":FLASH:Calibr:RecallAll");
    c->Adopt(Command(p), "swRecallFactory", "Recall Factory", ":FLASH:Adjust:RecallAll");

    p = Page(2);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(Command(p), "swProceedCh", "Proceed", ":FLASH:Calibr:AutocalCh");
    c->Adopt(List(p, ChannelGroups), "swChannelAndBW", "Channel && BW", ":Shadow:Calibr:ChnlsBW");
    QLabel* label = c->AddLabel("lbChannel", "");
    c->Adopt(Edit(p), "swBridgeVolt", "BRIDGE VOLTAGE", "BridgeVolt");
    c->Adopt(Edit(p), "swBalance", "BALANCE", "Balance");
    c->Adopt(Edit(p), "swLfDist", "LF DISTORTION", "LfDist");
    c->Adopt(PageButton(p, 1), "swBack2", "Back", nullptr);
    FollowChannelGroup(2, label);

    p = Page(3);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(Command(p), "swProceedTB", "Proceed", ":FLASH:Calibr:AutocalTB");
    c->Adopt(Edit(p), "swCoarseTB", "COARSE TIME BASE", ":FLASH:Calibr:CoarseTB");
    c->Adopt(Edit(p), "swFineTB",
             QString::fromStdString(shell.LangStr(SecondLine(shell) ? "FineDAC_Amplitude" : "FineDACby4")),
             ":FLASH:Calibr:FineTB");
    c->Adopt(PageButton(p, 1), "swBack3", "Back", nullptr);
    SetTopPanel(1);
}

// ------------------------------------------------------------------------------------- adjustment

TAdjust_Form::TAdjust_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell)
    : TCalibrationFormBase(menus, mainWindow, shell, "Adjust_Form",
                           {"Adjustment", "Calibrate (Channels)", " Strobe Generator ", "Find SRDs...", "Time Base",
                            " Trigger ", "O/E Converter", " Factory Points ", "Freq. Correction"}) {
    const bool second = SecondLine(shell);
    const bool manufacturer = shell.ServiceAccess;

    TRC_RightMenuPanel* p = Page(1);
    auto c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(PageButton(p, 0), "swBack", "Back", nullptr);
    // The converter's pages only with the converter.
    const TInstrumentIdentityUnit* unit = shell.Identity();
    const bool optics = unit && unit->Identity.HasOptOptics();
    const TStackTop converterTop = c->Top();
    auto* converter = c->Adopt(PageButton(p, 7), "swOEConverter", "O/E Converter...", nullptr);
    converter->setVisible(optics);
    if (!optics) c->MoveTo(converterTop);
    c->Adopt(PageButton(p, 2), "swChannels", "Channels...", nullptr);
    c->Adopt(PageButton(p, 3), "swStrobe", "Strobe Generator...", nullptr);
    c->Adopt(PageButton(p, 5), "swTimeBase", "Time Base...", nullptr);
    c->Adopt(PageButton(p, 6), "swTrigger", "Trigger...", nullptr);
    c->Adopt(Command(p), "swStoreFactory", "Store as Factory", ":FLASH:Adjust:StoreAll");
    c->Adopt(Command(p), "swRecallFactory", "Recall Factory", ":FLASH:Adjust:RecallAll");

    p = Page(2);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(List(p, ChannelGroups), "swChannelAndBW", "Channel && BW", ":Shadow:Calibr:ChnlsBW");
    QLabel* label = c->AddLabel("lbChannel", "");
    c->Adopt(Edit(p), "swBridgeVolt", "BRIDGE VOLTAGE", "BridgeVolt");
    c->Adopt(Edit(p), "swBalance", "BALANCE", "Balance");
    c->Adopt(Edit(p), "swLfDist", "LF DISTORTION", "LfDist");
    const TStackTop swing = c->Top();
    c->Adopt(Edit(p), "swADC200mV", "Swing ADC/200 mV", "ADC200mV");
    c->MoveTo(swing);
    // Only the narrow groups have the bridge share: bound by full header to the channel's narrow group.
    c->Adopt(Edit(p), "swPromBrNBW", "% OF BRIDGE", ":FLASH:Calibr:Ch1Narrow:PromBrNBW");
    c->Adopt(PageButton(p, 1), "swBack2", "Back", nullptr);
    FollowChannelGroup(2, label);

    p = Page(3);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(Edit(p), "swSRD1", "SRD 1", ":Flash:Calibr:Strobe:SRD1");
    c->Adopt(Edit(p), "swSRD2", "SRD 2", ":Flash:Calibr:Strobe:SRD2");
    if (second) {
        c->Adopt(Edit(p), "swSRD3", "SRD 3", ":Flash:Calibr:Strobe:SRD3");
    } else {
        c->Adopt(Edit(p), "swAmplitude", "AMPLITUDE", ":Flash:Calibr:Strobe:Amplitude");
        c->Adopt(Edit(p), "swDelay", "DELAY", ":Flash:Calibr:Strobe:Delay");
    }
    if (manufacturer) c->Adopt(PageButton(p, 4), "swFindSRDs", "Find SRDs...", nullptr);
    c->Adopt(PageButton(p, 1), "swBack3", "Back", nullptr);

    p = Page(4);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(Edit(p), "swMinSRD1", "Min SRD1", ":Flash:Calibr:Strobe:MinSRD1");
    c->Adopt(Edit(p), "swMaxSRD1", "Max SRD1", ":Flash:Calibr:Strobe:MaxSRD1");
    c->Adopt(Edit(p), "swMinSRD2", "Min SRD2", ":Flash:Calibr:Strobe:MinSRD2");
    c->Adopt(Edit(p), "swMaxSRD2", "Max SRD2", ":Flash:Calibr:Strobe:MaxSRD2");
    c->Adopt(List(p, {"Ch1", "Ch2"}), "swChFindSRD", "Channel", ":Flash:Calibr:Strobe:ChFindSRD");
    c->Adopt(PageButton(p, 3), "swBack4", "Back", nullptr);

    p = Page(5);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(Edit(p), "swCoarseTB", "COARSE TIME BASE", ":FLASH:Calibr:CoarseTB");
    c->Adopt(Edit(p), "swCoarseDelay", "COARSE DELAY", ":FLASH:Calibr:CoarseDelay");
    c->Adopt(Edit(p), "swFineTB", QString::fromStdString(shell.LangStr(second ? "FineDAC_Amplitude" : "FineDACby4")),
             ":FLASH:Calibr:FineTB");
    c->Adopt(Edit(p), "swFineDelay", "FINE DELAY", ":FLASH:Calibr:FineDelay");
    c->Adopt(PageButton(p, 1), "swBack5", "Back", nullptr);

    p = Page(6);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(Edit(p), "swLevelZero", "EXT LVL ZERO", ":FLASH:Calibr:LevelZero");
    c->Adopt(PageButton(p, 1), "swBack6", "Back", nullptr);

    p = Page(7);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(PageButton(p, 8), "swFactoryPoints", "Factory Points...", nullptr);
    c->Adopt(PageButton(p, 9), "swFreqCorrection", "Freq. Correction...", nullptr);
    c->Adopt(PageButton(p, 1), "swBack7", "Back", nullptr);

    p = Page(8);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    for (const char* n : {"1", "2", "3"}) {
        const std::string k(n);
        c->Adopt(Edit(p), ("swOEWaveLen" + k).c_str(), QString("WAVELENGTH %1").arg(n),
                 (":Shadow:Adjust:OEWaveLen" + k).c_str());
        c->Adopt(Edit(p), ("swOEGain" + k).c_str(), QString("GAIN %1").arg(n), (":Shadow:Adjust:OEGain" + k).c_str());
    }
    c->Adopt(PageButton(p, 7), "swBack8", "Back", nullptr);

    p = Page(9);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(List(p, {"1", "2", "3", "4", "5"}), "swFreqCorPoint", "Correction Point", ":Shadow:Adjust:FreqCorPoint");
    c->Adopt(Edit(p), "swERBitRate", "BIT RATE", ":Shadow:Adjust:ERBitRate");
    c->Adopt(List(p, {"2^7-1", "2^15-1", "2^23-1", "2^31-1"}), "swPattLenght", "Pattern Length",
             ":Shadow:Adjust:PattLenght");
    c->Adopt(Edit(p), "swERCorrFact", "ER CORRECTION", ":Shadow:Adjust:ERCorrFact");
    c->Adopt(PageButton(p, 7), "swBack9", "Back", nullptr);
    SetTopPanel(1);
}

void TAdjust_Form::ChannelGroupChanged(int group) {
    // The swing belongs to the full bandwidth, the bridge share to the narrow one; both are the
    // manufacturer's.
    const bool manufacturer = Shell_.ServiceAccess;
    if (auto* sw = Control("swADC200mV")) sw->setVisible(manufacturer && group < 2);
    if (auto* sw = Control("swPromBrNBW")) {
        sw->SetMnemonics(std::string(":FLASH:Calibr:") + ((group & 1) ? "Ch2Narrow" : "Ch1Narrow") + ":PromBrNBW");
        sw->setVisible(manufacturer && group >= 2);
    }
}

}  // namespace vt
