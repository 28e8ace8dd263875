#include "ui/menus/HistogramMenu.h"

#include <string>

#include "analysis/HistogramFeature.h"
#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr std::array<const char*, 4> EdgeNames = {"Top", "Bottom", "Left", "Right"};
constexpr std::array<const char*, 8> ScaleNames = {"VertScale", "VertOffset", "VertDBScale", "VertDBOffs",
                                                   "HorScale",  "HorOffset",  "HorDBScale",  "HorDBOffs"};

// A choice of two, one button row each, as the other menus place it.
TRC_RadioSwitcher* TwoItems(TPageStacker& page, const char* name, const QString& caption, const char* mnemonic,
                            const QString& first, const QString& second) {
    auto* sw = page.Add<TRC_RadioSwitcher>(name, caption, mnemonic, TPageStacker::ButtonsHeight(2));
    sw->SetItems({first, second});
    return sw;
}

}  // namespace

THist_Form::THist_Form(TSideMenus& menus, QWidget* mainWindow, THistogramFeature& hist)
    : TSideMenuForm(menus, mainWindow), Hist_(hist) {
    setObjectName(QStringLiteral("Hist_Form"));
    const auto follow = [this](TRC_Switcher&) { UpdateMenu(); };

    Pages_[0] = NewMenuPage(this, "rmpHistogram", QStringLiteral("Histogram"), "Hist");
    {
        TPageStacker page(*Pages_[0], FirstTop);
        page.Radio("rswAxis", QStringLiteral("Axis"), "Axis", {"Off", "Vert", "Horiz"})->SetOnUpdateMe(follow);
        page.Add<TRC_SignalSourceSwitcher>("sswSource", QStringLiteral("Source"), "Source");
        page.Add<TRC_OnOffSwitch>("oswVisible", QStringLiteral("Visible"), "Visible");
        page.Radio("rswRunUntil", QStringLiteral("Run Until"), "RunUntil", {"Stop/Single", "# Waveforms", "# Samples"})
            ->SetOnUpdateMe(follow);
        // The two counts take one place: only the one of the chosen limit shows.
        const TStackTop counts = page.Top();
        NWfm_ = page.Edit("edswNWfm", QStringLiteral("# OF WAVEFORMS"), "NWfm");
        page.MoveTo(counts);
        NSample_ = page.Edit("edswNSample", QStringLiteral("# OF SAMPLES"), "NSample");
        Openers_[0] = page.Adopt(PageButton(Pages_[0], 2), "swWindow", QStringLiteral("Window..."));
        Openers_[1] = page.Adopt(PageButton(Pages_[0], 3), "swScale", QStringLiteral("Scale..."));
        Openers_[2] = page.Adopt(PageButton(Pages_[0], 4), "swMode", QStringLiteral("Mode..."));
    }

    Pages_[1] = NewMenuPage(this, "rmpWindow", QStringLiteral("Window"), "Hist");
    {
        TPageStacker page(*Pages_[1], FirstTop);
        TwoItems(page, "rswLimits", QStringLiteral("Limits"), "Limits", QStringLiteral("Paired"), QStringLiteral("Independent"));
        TwoItems(page, "rswUnits", QStringLiteral("Units"), "Units", QStringLiteral("Absolute"), QStringLiteral("Percent"));
        page.Add<TRC_OnOffSwitch>("oswDisplay", QStringLiteral("Display"), "Display");
        const std::array<QString, 4> captions = {QStringLiteral("TOP"), QStringLiteral("BOTTOM"), QStringLiteral("LEFT"),
                                                 QStringLiteral("RIGHT")};
        for (std::size_t e = 0; e < Window_.size(); ++e) {
            const std::string mnemonic = std::string("WVert:") + EdgeNames[e];
            Window_[e] = page.Edit(("edsw" + std::string(EdgeNames[e])).c_str(), captions[e], mnemonic.c_str());
        }
        page.Adopt(PageButton(Pages_[1], 1), "swBackWindow", QStringLiteral("Back"));
    }

    Pages_[2] = NewMenuPage(this, "rmpScale", QStringLiteral("Scale"), "Hist");
    {
        TPageStacker page(*Pages_[2], FirstTop);
        TwoItems(page, "rswScaleType", QStringLiteral("Scale Type"), "ScaleType", QStringLiteral("Linear"), QStringLiteral("Logarithmic"))->SetOnUpdateMe(follow);
        TwoItems(page, "rswScaleMode", QStringLiteral("Scale Mode"), "ScaleMode", QStringLiteral("Auto"), QStringLiteral("Manual"));
        Scale_ = page.Edit("edswScale", QStringLiteral("SCALE"), "VertScale");
        Offset_ = page.Edit("edswOffset", QStringLiteral("OFFSET"), "VertOffset");
        page.Adopt(PageButton(Pages_[2], 1), "swBackScale", QStringLiteral("Back"));
    }

    Pages_[3] = NewMenuPage(this, "rmpMode", QStringLiteral("Mode"), "Hist");
    {
        TPageStacker page(*Pages_[3], FirstTop);
        TwoItems(page, "rswMode", QStringLiteral("Mode"), "Mode", QStringLiteral("Normal"), QStringLiteral("Exponential"));
        page.Edit("edswWeight", QStringLiteral("WEIGHT"), "Weight");
        page.Adopt(PageButton(Pages_[3], 1), "swBackMode", QStringLiteral("Back"));
    }

    Hist_.OnAxisOff = [this] {
        if (CurrentPage > 1) SetTopPanel(1);
    };
    UpdateMenu();
}

THist_Form::~THist_Form() { Hist_.OnAxisOff = nullptr; }

TRC_RightMenuPanel* THist_Form::Page(int page) const {
    return page >= 1 && page <= 4 ? Pages_[static_cast<std::size_t>(page - 1)] : Pages_[0];
}

void THist_Form::UpdateMenu() {
    if (Updating_) return;
    Updating_ = true;
    const bool on = Hist_.Axis() != haOff;
    for (auto* opener : Openers_) opener->setEnabled(on);
    const std::string set = Hist_.HistAxisKind() == 2 ? "WHor:" : "WVert:";
    for (std::size_t e = 0; e < Window_.size(); ++e) RetargetSwitcher(*Window_[e], set + EdgeNames[e]);
    const std::size_t first = (Hist_.Axis() == haHoriz ? 4 : 0) + (Hist_.ScaleTypeHandler() &&
                                                                   Hist_.ScaleTypeHandler()->GetItemIndex() == 1 ? 2 : 0);
    RetargetSwitcher(*Scale_, ScaleNames[first]);
    RetargetSwitcher(*Offset_, ScaleNames[first + 1]);
    const int until = Hist_.RunUntilHandler() ? Hist_.RunUntilHandler()->GetItemIndex() : 0;
    NWfm_->setVisible(until != 2);
    NSample_->setVisible(until == 2);
    Updating_ = false;
}

void THist_Form::SetTopPanel(int page) {
    if (page < 1 || page > 4) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void THistMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkHistogram, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new THist_Form(m, window, Hist_);
    });
}

}  // namespace vt
