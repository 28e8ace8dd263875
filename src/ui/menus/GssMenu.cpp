#include "ui/menus/GssMenu.h"

#include <QLabel>
#include <algorithm>
#include <memory>

#include "core/BitRates.h"
#include "core/Handlers.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

enum : int { pgDemo = 1, pgTiming, pgAmplitude, pgJitter, pgMore };
// The controls take the page's full inner width: the slot is 111 pixels wide and several captions
// need every pixel of it.
constexpr int Left = 2;
constexpr int Width = 107;
constexpr int FirstTop = 18;
constexpr int Gap = 1;

TRC_RadioSwitcher* Radio(QWidget* page, const QStringList& items, int columns) {
    auto* sw = new TRC_RadioSwitcher(page);
    sw->SetItems(items);
    sw->SetColumns(columns);
    return sw;
}

TRC_EditSwitcher* Edit(QWidget* page) { return new TRC_EditSwitcher(page); }

TRC_ListBoxSwitcher* List(QWidget* page, const QStringList& items) {
    auto* sw = new TRC_ListBoxSwitcher(page);
    sw->SetItems(items);
    return sw;
}

}  // namespace

TGSS_Form::TGSS_Form(TSideMenus& menus, QWidget* mainWindow) : TSideMenuForm(menus, mainWindow) {
    setObjectName("GSS_Form");
    static const char* const Captions[] = {"Demo Signal", "Timing Parameters", "Amplitude Parameters",
                                           " Deterministic Jitter ", " More Parameters "};
    for (int i = 0; i < 5; ++i) {
        auto* page = new TRC_RightMenuPanel(this);
        page->setObjectName(QString("rmpPage%1").arg(i + 1));
        page->SetCaption(Captions[i]);
        page->setGeometry(0, 0, SideMenuPageWidth, SideMenuPageHeight);
        page->hide();
        Pages_[static_cast<std::size_t>(i)] = page;
    }

    // 1: the waveform and the routing; the TDR controls take the place of those TDR does not use.
    TRC_RightMenuPanel* p = Page(pgDemo);
    auto c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(PageButton(p, 0), "swBack", "Back", nullptr);
    auto* waveform = c->Adopt(List(p, {"Sinewave", "Pulse", "PRBS", "TDR", "TDT"}), "swWaveform", "Waveform", "Waweform");
    waveform->SetOnUpdateMe([this](TRC_Switcher& sw) {
        if (auto* h = dynamic_cast<TRadioSwHandler*>(sw.GetHandler())) RefreshWaveform(h->GetItemIndex());
    });
    const TStackTop varying = c->Top();
    c->Adopt(Edit(p), "swAmplitude", "AMPLITUDE", "Amplitude");
    c->Adopt(Edit(p), "swFrequency", "FREQUENCY", "Frequency");
    c->Adopt(PageButton(p, pgTiming), "swTiming", "Timing...", nullptr);
    c->Adopt(PageButton(p, pgAmplitude), "swAmplitudePage", "Amplitude...", nullptr);
    const TStackTop below = c->Top();
    c->MoveTo(varying);
    c->Adopt(Edit(p), "swOvershot", "OVERSHOT", "TDROvershot");
    c->Adopt(Edit(p), "swTdrDroop", "DROOP", "TDRSkol");
    const TStackTop circuitTop = c->Top();
    c->Adopt(List(p, {"Off", "Open End", "Short End", "50 \xCE\xA9 termination", "85 \xCE\xA9 termination",
                   "50-150-50 \xCE\xA9", "Inductance", "Capacitance"}),
          "swTdrCircuit", "TDR Circuit", "TDRCircuit");
    c->MoveTo(circuitTop);
    c->Adopt(List(p, {"Off", "TDT Step", "6dB/3ns Attenuator", "50-150-50 \xCE\xA9", "Inductance", "Capacitance"}),
          "swTdtCircuit", "TDT Circuit", "TDTCircuit");
    auto* more = c->Adopt(PageButton(p, pgMore), "swMore", "More Parameters...", nullptr);
    more->setEnabled(false);
    c->MoveTo(c->Lower(below, c->Top()));
    auto* generator = c->Adopt(Radio(p, {"A", "B", "C", "D"}, 2), "swGenerator", "Generator", ":SHADOW:GssSelect",
                               TPageStacker::ButtonsHeight(2));
    generator->SetOnUpdateMe([this](TRC_Switcher& sw) {
        if (auto* h = dynamic_cast<TRadioSwHandler*>(sw.GetHandler())) SelectGenerator(h->GetItemIndex());
    });
    const QStringList routes = {"Off", "Generator A", "Generator B", "Generator C", "Generator D"};
    c->Adopt(List(p, routes), "swChannel1", "Channel 1", ":GSS:Ch1");
    c->Adopt(List(p, routes), "swChannel2", "Channel 2", ":GSS:Ch2");

    // 2: timing.
    p = Page(pgTiming);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(PageButton(p, pgDemo), "swBack2", "Back", nullptr);
    c->Adopt(Edit(p), "swPhase", "PHASE", "Phase");
    c->Adopt(Edit(p), "swDeltaPhase", "DELTA PHASE", "DeltaPhase");
    c->Adopt(Edit(p), "swJitter", "JITTER RMS", "Jitter");
    const TStackTop widthTop = c->Top();
    c->Adopt(Edit(p), "swPulseWidth", "PULSE WIDTH", "PulseWidth");
    const TStackTop belowWidth = c->Top();
    c->MoveTo(widthTop);
    c->Adopt(PageButton(p, pgJitter), "swDetJitter", "Deterministic Jitter...", nullptr);
    c->MoveTo(c->Lower(belowWidth, c->Top()));
    c->Adopt(Edit(p), "swRiseTime", "RISE TIME", "RiseTime");
    c->Adopt(Edit(p), "swFallTime", "FALL TIME", "FallTime");
    QStringList rates = {"Custom"};
    const TBitRateValue& table = StandardBitRates();
    for (int i = 0; i < table.Count(); ++i) rates << QString::fromStdString(table.LongName(i));
    c->Adopt(List(p, rates), "swStdFreq", "Standard Frequency", "StdFreq");
    c->Adopt(List(p, {"Clock", "Pattern"}), "swTrigger", "Trigger", "PrbsTrigger");

    // 3: amplitude.
    p = Page(pgAmplitude);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(PageButton(p, pgDemo), "swBack3", "Back", nullptr);
    c->Adopt(Edit(p), "swNoise", "NOISE RMS", "Noise");
    c->Adopt(Edit(p), "swOffset", "OFFSET", "Offset");
    c->Adopt(Edit(p), "swPosOvershot", "POS OVERSHOT", "PosOvershot");
    c->Adopt(Edit(p), "swNegOvershot", "NEG OVERSHOT", "NegOvershot");
    c->Adopt(Edit(p), "swDroop", "DROOP", "Droop");
    c->Adopt(Radio(p, {"NRZ", "RZ"}, 2), "swMode", "Mode", "PrbsMode", TPageStacker::ButtonsHeight(1));
    c->Adopt(List(p, {"5", "7", "11", "15"}), "swPrbsLength", "PRBS Length 2^", "PrbsLength");
    c->Adopt(List(p, {"2^n - 1", "2^n"}), "swLengthFunction", "Length Function", "PrbsLenMode");

    // 4: deterministic jitter.
    p = Page(pgJitter);
    auto* label = new QLabel("Data Dependent Jitter", p);
    label->setObjectName("lbDataDependent");
    label->setGeometry(Left + 2, FirstTop, Width - 4, 16);
    label->setFont(FittedFont(label->font(), label->text(), label->contentsRect().width()));
    c = std::make_unique<TPageStacker>(*p, FirstTop + 18, Gap);
    c->Adopt(PageButton(p, pgTiming), "swBack4", "Back", nullptr);
    c->Adopt(Edit(p), "swInterSymbol", "INTER-SYMBOL I. J.", "InterSymbIJ");
    c->Adopt(Edit(p), "swPeriodJitter", "PERIODIC JITTER", "PeriodJitter");
    c->Adopt(Edit(p), "swDutyCycle", "DUTY CYCLE DIST.", "DutyCycleDist");
    c->Adopt(Edit(p), "swSubRateJitter", "SUB-RATE JITTER", "SubRateJit");
    c->Adopt(Edit(p), "swDivider", "DIVIDER", "SubRateDiv");

    // 5: more parameters, none yet.
    p = Page(pgMore);
    auto* moreLabel = new QLabel("More Parameters", p);
    moreLabel->setObjectName("lbMore");
    moreLabel->setGeometry(Left + 2, FirstTop, Width - 4, 16);
    moreLabel->setFont(FittedFont(moreLabel->font(), moreLabel->text(), moreLabel->contentsRect().width()));
    c = std::make_unique<TPageStacker>(*p, FirstTop + 18, Gap);
    c->Adopt(PageButton(p, pgDemo), "swBack5", "Back", nullptr);

    SelectGenerator(0);
}

TRC_Switcher* TGSS_Form::Control(const char* name) const { return findChild<TRC_Switcher*>(name); }

void TGSS_Form::SelectGenerator(int generator) {
    // Rebinding the first page binds "Generator" itself the first time, which chooses again from inside
    // this loop: the latest choice is applied once the loop is free, so no page keeps an older one.
    Generator_ = std::clamp(generator, 0, 3);
    if (Selecting_) return;
    Selecting_ = true;
    for (int applied = -1; applied != Generator_;) {
        applied = Generator_;
        const std::string group = std::string("GSS:") + static_cast<char>('A' + applied);
        for (int page = pgDemo; page <= pgJitter; ++page) Page(page)->SetGroupMnemonics(group);
    }
    Selecting_ = false;
    if (auto* h = dynamic_cast<TRadioSwHandler*>(Control("swWaveform")->GetHandler())) RefreshWaveform(h->GetItemIndex());
}

void TGSS_Form::RefreshWaveform(int w) {
    const bool tdr = w == 3, tdt = w == 4, tdrTdt = tdr || tdt;
    Control("swPulseWidth")->setVisible(true);
    Control("swDetJitter")->setVisible(false);
    for (const char* name : {"swTiming", "swAmplitudePage", "swAmplitude", "swFrequency"}) Control(name)->setVisible(!tdrTdt);
    for (const char* name : {"swTiming", "swAmplitudePage"}) Control(name)->setEnabled(!tdrTdt);
    for (const char* name : {"swOvershot", "swTdrDroop", "swMore"}) Control(name)->setVisible(tdrTdt);
    Control("swTdrCircuit")->setVisible(tdr);
    Control("swTdtCircuit")->setVisible(tdt);
}

void TGSS_Form::SetTopPanel(int page) {
    if (page < 1 || page > 5) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

}  // namespace vt
