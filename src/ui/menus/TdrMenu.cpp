#include "ui/menus/TdrMenu.h"

#include <QLabel>

#include "acq/Channels.h"
#include "acq/Generator.h"
#include "acq/Timebase.h"
#include "analysis/WaveformMath.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainWindow.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/dialogs/TdrNormalizationForm.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int Gap = 2;
constexpr const char* SourceNames[4] = {"Ch1", "Ch2", "NormCh1", "NormCh2"};

TScopeSerialServices* Serial(TShell& shell) { return dynamic_cast<TScopeSerialServices*>(&shell.Serial()); }

}  // namespace

TTDR_Form::TTDR_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell) : TSideMenuForm(menus, mainWindow), Shell_(shell) {
    setObjectName("TDR_Form");

    TRC_RightMenuPanel* p = Pages_[0] = NewMenuPage(this, "rmpTdrTdt", " TDR / TDT ", "TDR");
    {
        TPageStacker main(*p, FirstTop, Gap);
        main.Radio("rswMode", "Mode", "Mode", {"Off", "TDR", "TDT"})->SetOnUpdateMe([this](TRC_Switcher&) { Follow(); });
        const char* names[4] = {"swChannels", "swHorizontal", "swCorrection", "swMeasure"};
        const char* captions[4] = {"Channels...", "Horizontal...", "Correction...", "Measure..."};
        for (int k = 0; k < 4; ++k) PageButtons_[static_cast<std::size_t>(k)] = main.Adopt(PageButton(p, k + 2), names[k], captions[k]);
    }

    p = Pages_[1] = NewMenuPage(this, "rmpChannels", " TDR Channels ", "TDR:Ch1");
    {
        TPageStacker ch(*p, FirstTop, Gap);
        ch.Adopt(PageButton(p, 1), "swBack", "Back");
        ch.Radio("rswChSelect", "Channel", ":Shadow:TDRChSelect", {"Ch1", "Ch2"}, 2)->SetOnUpdateMe([this](TRC_Switcher&) { Follow(); });
        ch.Radio("rswDestination", "Destination", "Destination", {"Off", "G1", "G2", "External"});
        ch.Radio("rswPolar", "Polarity", "Polar", {"Pos", "Neg"}, 2);
        // The TDT controls take the places of the TDR ones.
        const TStackTop top = ch.Top();
        TdrControls_[0] = ch.Radio("rswVertScale", "Vertical Scale", "VertScale", {"Volt", "Rho", "Ohm"});
        TdrControls_[1] = ch.Edit("edswRefAmpl", "REF AMPLITUDE", "RefAmpl");
        TdrControls_[2] = ch.Edit("edswBaseLine", "BASELINE", "BaseLine");
        const TStackTop below = ch.Top();
        ch.MoveTo(top);
        TdtControls_[0] = ch.Radio("rswVertTDTScale", "Vertical Scale", "VertTDTScale", {"Volt", "Gain"});
        TdtControls_[1] = ch.Edit("edswRefTDTAmpl", "REF AMPLITUDE", "RefTDTAmpl");
        TdtControls_[2] = ch.Edit("edswRefTDTZero", "INITIAL VOLTAGE", "RefTDTZero");
        ch.MoveTo(ch.Lower(below, ch.Top()));
        ch.Edit("edswRefPlane", "REF PLANE", "RefPlane");
    }

    p = Pages_[2] = NewMenuPage(this, "rmpHorizontal", " Horizontal ", "TDR");
    {
        TPageStacker hor(*p, FirstTop, Gap);
        hor.Adopt(PageButton(p, 1), "swBackHorizontal", "Back");
        hor.Radio("rswHorScale", "Horizontal Scale", "HorScale", {"Time", "Meter", "Foot", "Inch"}, 2);
        hor.Radio("rswUnit", "Unit Preset", "Unit", {"Velocity", "Diel Const"})->SetOnUpdateMe([this](TRC_Switcher&) { Follow(); });
        Propagation_ = hor.Edit("edswPropagation", QString::fromStdString(shell.LangStr("EdVELOCITY")), "Velos");
    }

    p = Pages_[3] = NewMenuPage(this, "rmpCorrection", " TDR Correction ", "TDR:Ch1");
    {
        TPageStacker cor(*p, FirstTop, Gap);
        cor.Adopt(PageButton(p, 1), "swBackCorrection", "Back");
        cor.Radio("rswChSelectCorrection", "Channel", ":Shadow:TDRChSelect", {"Ch1", "Ch2"}, 2)
            ->SetOnUpdateMe([this](TRC_Switcher&) { Follow(); });
        cor.Adopt(new TRC_RightCommandSwitcher(p), "swDoVertCalibr", "Vertical Calibr", "DoVertCalibr");
        cor.Edit("edswNormTime", "RISE TIME", "NormTime");
        cor.Add<TRC_OnOffSwitch>("rswNormalize", "Normalize", "Normalize");
    }

    p = Pages_[4] = NewMenuPage(this, "rmpMeasure", " TDR Measure ", "TDR:Ch1");
    {
        TPageStacker meas(*p, FirstTop, Gap);
        meas.Adopt(PageButton(p, 1), "swBackMeasure", "Back");
        meas.Add<TRC_OnOffSwitch>("rswMeasure", "Measure", ":TDR:Measure");
        meas.Radio("rswSource", "Source", ":TDR:Source", {"Ch1", "Ch2", "NormCh1", "NormCh2"})
            ->SetOnUpdateMe([this](TRC_Switcher&) { Follow(); });
        Normalized_ = meas.AddLabel("lbNormalized", " Normalized");
        const TStackTop top = meas.Top();
        auto* tdr = new TRC_CheckSwitcher(p);
        tdr->SetItems({"Min Reflect", "Max Reflect"});
        TdrParams_ = meas.Adopt(tdr, "chswTdrParams", "Parameters", "TdrParams", TPageStacker::ButtonsHeight(2));
        const TStackTop below = meas.Top();
        meas.MoveTo(top);
        auto* tdt = new TRC_CheckSwitcher(p);
        tdt->SetItems({"Prop Delay", "Gain", "dB Gain"});
        TdtParams_ = meas.Adopt(tdt, "chswTdtParams", "Parameters", "TdtParams", TPageStacker::ButtonsHeight(3));
        meas.MoveTo(meas.Lower(below, meas.Top()));
        meas.Edit("edswLeftMargins", "LEFT MARGIN", "LeftMargins");
        meas.Edit("edswRightMargins", "RIGHT MARGIN", "RightMargins");
        meas.Add<TRC_OnOffSwitch>("rswViewMargins", "View Margins", ":TDR:ViewMargins");
    }
    Follow();
}

void TTDR_Form::Follow() {
    TCommandTree* tree = Shell_.CommandTree();
    const int mode = ReadChoiceSetting(tree, "TDR:Mode", 0);
    TScopeSerialServices* serial = Serial(Shell_);
    const bool active = serial ? serial->Tdr().IsTdrActive() : mode != 0;
    const bool tdt = mode == 2;
    for (TRC_Switcher* b : PageButtons_) b->setEnabled(active);
    for (TRC_Switcher* c : TdrControls_) c->setVisible(!tdt);
    for (TRC_Switcher* c : TdtControls_) c->setVisible(tdt);
    TdrParams_->setVisible(!tdt);
    TdtParams_->setVisible(tdt);
    const std::string name = tdt ? "TDT" : "TDR";
    Pages_[1]->SetCaption(QString::fromStdString(" " + name + " Channels "));
    Pages_[3]->SetCaption(QString::fromStdString(" " + name + " Correction "));
    Pages_[4]->SetCaption(QString::fromStdString(" " + name + " Measure "));
    const std::string channel = ReadChoiceSetting(tree, "Shadow:TDRChSelect", 0) == 1 ? "TDR:Ch2" : "TDR:Ch1";
    if (Pages_[1]->GroupMnemonics() != channel) Pages_[1]->SetGroupMnemonics(channel);
    if (Pages_[3]->GroupMnemonics() != channel) Pages_[3]->SetGroupMnemonics(channel);
    const int source = std::clamp(ReadChoiceSetting(tree, "TDR:Source", 0), 0, 3);
    const std::string measured = std::string("TDR:") + SourceNames[source];
    if (Pages_[4]->GroupMnemonics() != measured) Pages_[4]->SetGroupMnemonics(measured);
    Normalized_->setVisible(source >= 2);
    const bool dielectric = ReadChoiceSetting(tree, "TDR:Unit", 0) == 1;
    Propagation_->SetCaption(QString::fromStdString(Shell_.LangStr(dielectric ? "EdDIELECTRICCONST" : "EdVELOCITY")));
    RetargetSwitcher(*Propagation_, dielectric ? "DielConst" : "Velos");
}

void TTDR_Form::SetTopPanel(int page) {
    if (page < 1 || page > 5) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

// ------------------------------------------------------------------------------------ the feature

TTdrMenuFeature::TTdrMenuFeature(TShell& shell, TGenerator& generator, TChannels& channels, TTimebase& timebase,
                                 TWaveformMath& math)
    : Shell_(shell), Math_(math) {
    TScopeSerialServices* serial = Serial(shell);
    if (!serial) return;
    TTdrSettings::THooks& hooks = serial->Tdr().Hooks;
    hooks.UpdateGeneratorOutputs = [&generator] { generator.UpdateGeneratorOutputs(); };
    hooks.UpdateChannelScaleMnemonics = [&channels](int channel) { channels.UpdateChannelScaleMnemonics(channel); };
    hooks.UpdateTimebaseScales = [&timebase] { timebase.RefreshTimebaseState(true); };
    hooks.RefreshMathControls = [&math] { math.UpdateAllMathControls(); };
    hooks.ResetMenuPage = [this] {
        if (Menus_) Menus_->ResetMenuPage(mkTdr);
    };
    hooks.RefreshGeneratorMenus = [this] {
        if (!Menus_) return;
        for (int side : {0, 1})
            if (TSideMenuForm* form = Menus_->Form(side); form && form->MenuKind == mkGenerators) form->UpdateMenu();
    };
    math.Tdr = &serial->TdrNormalization();
}

TTdrMenuFeature::~TTdrMenuFeature() {
    if (Math_.Tdr) Math_.Tdr = nullptr;
    if (TScopeSerialServices* serial = Serial(Shell_)) {
        serial->Tdr().Hooks = {};
        if (serial->TdrNormalization().View == this) serial->TdrNormalization().View = nullptr;
    }
}

void TTdrMenuFeature::RegisterForms(TSideMenus& menus) {
    Menus_ = &menus;
    menus.RegisterForm(mkTdr, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TTDR_Form(m, window, Shell_);
    });
}

void TTdrMenuFeature::WindowCreated(TMorda_fr& window, TSideMenus& menus, TKitContext&) {
    Window_ = &window;
    Menus_ = &menus;
    if (TScopeSerialServices* serial = Serial(Shell_)) serial->TdrNormalization().View = this;
}

void TTdrMenuFeature::WindowGone() {
    Window_ = nullptr;
    Menus_ = nullptr;
    if (TScopeSerialServices* serial = Serial(Shell_))
        if (serial->TdrNormalization().View == this) serial->TdrNormalization().View = nullptr;
}

void TTdrMenuFeature::ShowModal(TTdrNormalization& run) {
    TfrmTDR_TDT_Normalization dialog(Window_, Shell_, run);
    Dialog_ = &dialog;
    // The dialog's event loop keeps the idle steps, so the acquisitions and the run go on.
    dialog.exec();
    Dialog_ = nullptr;
}

void TTdrMenuFeature::EndModal() {
    if (Dialog_) Dialog_->done(QDialog::Accepted);
}

void TTdrMenuFeature::Changed(TTdrNormalization&) {
    if (Dialog_) Dialog_->Refresh();
}

}  // namespace vt
