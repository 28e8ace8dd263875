#include "ui/menus/OEConvMenu.h"

#include <cstdio>

#include "core/EngineeringText.h"
#include "core/Handlers.h"
#include "core/InternalError.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LabelSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/dialogs/OEConvCalibrationForm.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr const char* Unit = "OEConv_Frm";
constexpr int FirstTop = 18;
constexpr int Gap = 1;

TRC_ListBoxSwitcher* List(TRC_RightMenuPanel* page, TPageStacker& stack, const char* name, const QString& caption,
                          const char* mnemonic, const QStringList& items) {
    auto* sw = new TRC_ListBoxSwitcher(page);
    sw->SetItems(items);
    return stack.Adopt(sw, name, caption, mnemonic);
}

TRC_RightCommandSwitcher* Command(TRC_RightMenuPanel* page, TPageStacker& stack, const char* name,
                                  const QString& caption, const char* mnemonic) {
    return stack.Adopt(new TRC_RightCommandSwitcher(page), name, caption, mnemonic);
}

QStringList Texts(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& t : texts) list << QString::fromStdString(t);
    return list;
}

}  // namespace

TOEConv_Form::TOEConv_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TOEConv& converter)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Converter_(converter) {
    setObjectName("OEConv_Form");
    const QStringList eight = {"1", "2", "3", "4", "5", "6", "7", "8"};

    TRC_RightMenuPanel* p = Pages_[0] = NewMenuPage(this, "rmpOEConverter", "O/E Converter", "OEConv");
    TPageStacker main(*p, FirstTop, Gap);
    main.Radio("rswDestination", "Destination", "Dest", {"O/E Converter", "Ch1", "Ch2"});
    WaveLen_ = main.Radio("rswWaveLength", "WaveLength", "WaveLen", {"WL1", "WL2", "WL3", "User Defined"});
    UserWaveLen_ = List(p, main, "lswUserWavelength", "User Wavelength", "UserWaveLen", eight);
    main.Adopt(PageButton(p, 2), "swDarkLevel", "Dark Level...", nullptr);
    main.Adopt(PageButton(p, 3), "swWavelengthGain", "Wavelength Gain...", nullptr);
    const TStackTop hiddenTop = main.Top();
    main.Adopt(PageButton(p, 4), "swFreqCorrection", "Freq. Correction...", nullptr)->hide();
    main.MoveTo(hiddenTop);
    main.Add<TRC_LabelSwitcher>("lswConversionGain", "Conversion Gain", ":Flash:OE:ConversionGain");

    p = Pages_[1] = NewMenuPage(this, "rmpDarkLevel", "Dark Level", "FLASH:OECalibr");
    TPageStacker dark(*p, FirstTop, Gap);
    dark.Adopt(PageButton(p, 1), "swBack", "Back", nullptr);
    dark.Edit("edswCompensation", "COMPENSATION", "DarkLvl");
    Command(p, dark, "swProceedDark", "Proceed", "AutoDarkLvl");
    Command(p, dark, "swStoreConstant", "Store Constant", ":Flash:Calibr:StoreAll");
    Command(p, dark, "swRecallLast", "Recall Last", ":Flash:Calibr:RecallAll");
    Command(p, dark, "swRecallFactory", "Recall Factory", ":Flash:Adjust:RecallAll");

    p = Pages_[2] = NewMenuPage(this, "rmpWavelengthGain", "Wavelength Gain", "Shadow:OECalibr1");
    TPageStacker gain(*p, FirstTop, Gap);
    Point_ = List(p, gain, "lswCalibrationPoint", "Calibration Point", ":FLASH:OECalibr:PointNum", eight);
    Point_->SetOnUpdateMe([this](TRC_Switcher&) { FollowPoint(); });
    gain.Edit("edswWavelength", "WAVELENGTH", "Wavelength");
    gain.Edit("edswGain", "GAIN", "Gain");
    gain.Edit("edswPower", "POWER", ":FLASH:OECalibr:Power");
    Command(p, gain, "swProceedGain", "Proceed", ":FLASH:OECalibr:AutoCalGain");
    gain.Adopt(PageButton(p, 1), "swBackGain", "Back", nullptr);

    p = Pages_[3] = NewMenuPage(this, "rmpFreqCorrection", "Frequency Correction", "FLASH:OECalibr");
    TPageStacker freq(*p, FirstTop, Gap);
    freq.Adopt(PageButton(p, 1), "swBackFreq", "Back", nullptr);
    List(p, freq, "lswBitRatePoint", "Bit Rate Point", "BitRatePoint", {"1", "2", "3", "4", "5"});
    List(p, freq, "lswPatternLen", "Pattern Length", "PatternLen", {"2^7-1", "2^15-1", "2^23-1", "2^31-1"});
    freq.Edit("edswERCorrFact", "ER CORRECTION", "ERCorrFact");
    Command(p, freq, "swStoreFCorr", "Store Correction", "StoreFCorr");
    Command(p, freq, "swRecallFCorr", "Recall Correction", "RecallFCorr");
    Command(p, freq, "swRclFactFCorr", "Recall Factory", "RclFactFCorr");
    FollowPoint();
}

void TOEConv_Form::FollowPoint() {
    const int point = Converter_.ChosenPoint();
    if (point > 7) VT_INTERNAL_ERROR(Unit, "Assertion failure");
    const std::string group = "Shadow:OECalibr" + std::to_string(point + 1);
    if (Pages_[2]->GroupMnemonics() != group) Pages_[2]->SetGroupMnemonics(group);
}

void TOEConv_Form::UpdateMenu() {
    std::vector<std::string> sorted, points, factory;
    for (int k = 0; k < OEUserPoints; ++k) sorted.push_back(Converter_.SortedPositionText(k));
    for (int d = 0; d < OEUserPoints; ++d) points.push_back(Converter_.PointWavelengthText(d));
    for (int n = 0; n < OEFactoryPoints; ++n)
        factory.push_back(FloatToEngStr(3, 4, false, false, Converter_.FactoryWavelength(n)) + "m");
    factory.push_back("User Defined");
    UserWaveLen_->SetItems(Texts(sorted));
    Point_->SetItems(Texts(points));
    WaveLen_->SetItems(Texts(factory));
    UserWaveLen_->UpdateFromHandler();
    Point_->UpdateFromHandler();
    WaveLen_->UpdateFromHandler();
    FollowPoint();
}

void TOEConv_Form::SetTopPanel(int page) {
    if (page < 1 || page > 4) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

// --------------------------------------------------------------------------------------- feature

TOEConvMenuFeature::TOEConvMenuFeature(TShell& shell, TCalibrAdjust* calibration)
    : Shell_(shell), Converter_(shell, calibration) {
    Converter_.PointsChanged = [this] {
        if (Form_) Form_->UpdateMenu();
    };
}

TOEConvMenuFeature::~TOEConvMenuFeature() {
    delete Aside_;
    Converter_.PointsChanged = {};
    if (Converter_.Calibration().View == this) Converter_.Calibration().View = nullptr;
}

void TOEConvMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkOEConverter, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        auto* form = new TOEConv_Form(m, window, Shell_, Converter_);
        Form_ = form;
        return form;
    });
}

void TOEConvMenuFeature::WindowCreated(TMorda_fr& window, TSideMenus&, TKitContext&) {
    Window_ = &window;
    Converter_.Calibration().View = this;
}

void TOEConvMenuFeature::WindowGone() {
    Window_ = nullptr;
    if (Converter_.Calibration().View == this) Converter_.Calibration().View = nullptr;
}

void TOEConvMenuFeature::ShowModal(TOEConvCalibration& run) {
    TfrmCalibrOEConverter dialog(Window_, Shell_, run);
    Dialog_ = &dialog;
    // The dialog's event loop keeps the idle steps, so the acquisitions and this run go on.
    dialog.exec();
    Dialog_ = nullptr;
}

void TOEConvMenuFeature::RunAside(TOEConvCalibration& run) {
    delete Aside_;
    // Its Cancel, Escape and close box end the run (the dialog's own reject).
    Aside_ = new TfrmCalibrOEConverter(Window_, Shell_, run);
    if (NoVisibleScreen()) return;
    Aside_->setModal(false);
    Aside_->show();
}

// Called from inside the run's end, perhaps from the box's own Cancel: it goes once that returns.
void TOEConvMenuFeature::AsideEnded() {
    if (!Aside_) return;
    Aside_->hide();
    Aside_->deleteLater();
    Aside_ = nullptr;
}

void TOEConvMenuFeature::EndModal() {
    if (Dialog_) Dialog_->done(QDialog::Accepted);
}

void TOEConvMenuFeature::Changed(TOEConvCalibration&) {
    if (Dialog_) Dialog_->Refresh();
    if (Aside_) Aside_->Refresh();
}

}  // namespace vt
