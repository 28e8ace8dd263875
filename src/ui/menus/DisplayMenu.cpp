#include "ui/menus/DisplayMenu.h"

#include <QColor>
#include <QLabel>
#include <QPalette>
#include <algorithm>
#include <string>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/LanguageState.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/DisplaySettings.h"
#include "display/ScreenColors.h"
#include "ui/UserDialogs.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int SampleHeight = 14;
constexpr int ColorValueOpacityShift = 24;
constexpr std::uint32_t MaxOpacity = 100;
constexpr double AbsentGrade = 0x808080;
// Samples top to bottom: the densest hits first, which is `Displ:GradeClr1`.
constexpr std::array<const char*, TDisp_Form::GradeSampleCount> GradeCaptions = {
    "50% - 100%", "25% - 50%", "12.5% - 25%", "6.25% - 12.5%", "0 - 6.25%"};

std::string GradePath(int k) { return "Displ:GradeClr" + std::to_string(k + 1); }

// An element's name is its language key: the language's text where it has one (the histogram, the
// graticule and the screen), else the name as it stands.
QString ElementDisplayName(const TShell& shell, int element) {
    const char* name = ScreenElements()[static_cast<std::size_t>(element)].Name;
    const std::string* text = shell.Language().Strings().Find(name);
    return QString::fromStdString(text ? *text : std::string(name));
}

QColor FromColorRef(std::uint32_t v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

}  // namespace

TDisp_Form::TDisp_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TDisplaySettings& settings,
                       TUserDialogs& dialogs)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Settings_(settings), Dialogs_(dialogs) {
    setObjectName("Disp_Form");

    Pages_[0] = NewMenuPage(this, "rmpDisplay", "Display", "Displ:Ch1");
    TPageStacker display(*Pages_[0], FirstTop);
    Style_ = display.Radio("rswStyle", "Style", "Style",
                   {"Dots", "Vectors", "Var. Persist.", "Inf. Persist.", "Var. Gray Scale", "Inf. Gray Scale",
                    "Var. Color Grade", "Inf. Color Grade"});
    Time_ = display.Edit("edswTime", "PERSISTENCE TIME", "PersistTime");
    display.Radio("rswTraceMode", "Trace Mode", ":Displ:TraceMode", {"All Locked", "Per Trace"});
    Trace_ = display.Add<TRC_SignalSourceSwitcher>("sswTrace", "Trace", ":Displ:TraceSel");
    display.Adopt(new TRC_RightCommandSwitcher(Pages_[0]), "cswResetAll", "Reset All", ":Displ:ResetAll");
    display.Adopt(PageButton(Pages_[0], 2), "swScreen", "Screen...", nullptr);
    display.Adopt(PageButton(Pages_[0], 3), "swColor", "Color...", nullptr);

    Pages_[1] = NewMenuPage(this, "rmpScreen", "Screen", "Displ");
    TPageStacker screen(*Pages_[1], FirstTop);
    Format_ = screen.Radio("rswFormat", "Format", ":Displ:Format", {"YT", "2YT", "4YT", "XY", "Comb YT-XY", "Comb 2YT-XY"});
    Wfm_ = screen.Add<TRC_SignalSourceSwitcher>("sswWfm", "Waveform", ":SHADOW:Displ:Wfm");
    Place_ = screen.Radio("rswPlace", "Place on Graticule", "Screen4:Ch1", {"1", "2", "3", "4"}, 2);
    screen.Radio("rswGratic", "Graticule", ":Displ:Gratic", {"Grid", "Frame", "Axis", "Off"}, 2);
    screen.Add<TRC_SignalSourceSwitcher>("sswXAxis", "X =", ":Displ:XAxis");
    screen.Add<TRC_SignalSourceSwitcher>("sswYAxis", "Y =", ":Displ:YAxis");
    screen.Adopt(PageButton(Pages_[1], 1), "swBackScreen", "Back", nullptr);

    Pages_[2] = NewMenuPage(this, "rmpColor", "Color", "Displ");
    TPageStacker color(*Pages_[2], FirstTop);
    Item_ = color.Add<TRC_ListBoxSwitcher>("lswItem", "Item", ":SHADOW:ColorItem");
    QStringList names;
    for (int e = 0; e < ScreenElementCount; ++e) names << ElementDisplayName(Shell_, e);
    Item_->SetItems(names);
    SetColor_ = color.AddButton("btnSetColor", "Set Color");
    color.Adopt(new TRC_RightCommandSwitcher(Pages_[2]), "cswDefCurrent", "Default Color: Current",
                ":Displ:DefaultClr:Current");
    color.Adopt(new TRC_RightCommandSwitcher(Pages_[2]), "cswDefAll", "Default Color: All", ":Displ:DefaultClr:All");
    color.Edit("edswTranspar", "TRANSPARENCY", ":SHADOW:Transpar");
    color.Adopt(new TRC_RightCommandSwitcher(Pages_[2]), "cswSetOnTop", "Set On Top", ":Shadow:SetOnTop");
    color.Adopt(PageButton(Pages_[2], 4), "swGrade", "Color Grade Scale...", nullptr);
    color.Adopt(PageButton(Pages_[2], 1), "swBackColor", "Back", nullptr);

    Pages_[3] = NewMenuPage(this, "rmpGrade", "Color Grade Scale", "Displ");
    TPageStacker grade(*Pages_[3], FirstTop);
    for (int k = 0; k < GradeSampleCount; ++k) {
        grade.AddLabel(("lbGrade" + std::to_string(k + 1)).c_str(), GradeCaptions[static_cast<std::size_t>(k)]);
        auto* sample = new QFrame(Pages_[3]);
        sample->setObjectName(QString("frGrade%1").arg(k + 1));
        sample->setFrameShape(QFrame::Box);
        sample->setAutoFillBackground(true);
        grade.Place(*sample, SampleHeight);
        Samples_[static_cast<std::size_t>(k)] = sample;
        QPushButton* set = grade.AddButton(("btnSetGrade" + std::to_string(k + 1)).c_str(), "Set Color");
        SetGrade_[static_cast<std::size_t>(k)] = set;
        QObject::connect(set, &QPushButton::clicked, this, [this, k] { AskGradeColor(k); });
    }
    grade.Adopt(new TRC_RightCommandSwitcher(Pages_[3]), "cswGradeDefCol", "Default Colors", ":Displ:GradeDefCol");
    grade.Adopt(PageButton(Pages_[3], 3), "swBackGrade", "Back", nullptr);

    QObject::connect(SetColor_, &QPushButton::clicked, this, [this] { AskElementColor(); });
    const auto follow = [this](TRC_Switcher&) { FollowSettings(); };
    for (TRC_Switcher* sw : {static_cast<TRC_Switcher*>(Style_), static_cast<TRC_Switcher*>(Trace_),
                             static_cast<TRC_Switcher*>(Format_), static_cast<TRC_Switcher*>(Wfm_)})
        sw->SetOnUpdateMe(follow);
    Listener_ = Settings_.AddEnablingListener([this] { FollowSettings(); });
    FollowSettings();
}

TDisp_Form::~TDisp_Form() { Settings_.RemoveEnablingListener(Listener_); }

TRC_RightMenuPanel* TDisp_Form::Page(int page) const {
    return page >= 1 && page <= 4 ? Pages_[static_cast<std::size_t>(page - 1)] : Pages_[0];
}

void TDisp_Form::UpdateMenu() { FollowSettings(); }

void TDisp_Form::SetTopPanel(int page) {
    if (page < 1 || page > 4) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void TDisp_Form::FollowSettings() {
    if (Following_) return;
    TResetOnExit<bool> done(Following_, false);
    Following_ = true;
    const int trace = Settings_.SelectedTrace();
    const std::string group = "Displ:" + DisplaySourceName(trace);
    if (Pages_[0]->GroupMnemonics() != group) Pages_[0]->SetGroupMnemonics(group);
    RetargetSwitcher(*Style_, Settings_.DataBaseExist().On() ? ":Displ:DBStyle" : "Style");
    const int style = Settings_.StyleOf(trace);
    const bool persist = style == dsVarPersist || style == dsInfinPers;
    RetargetSwitcher(*Time_, persist ? "PersistTime" : "RefreshTime");
    Time_->SetHelpContext(persist ? PersistTimeHelpContext : RefreshTimeHelpContext);
    Time_->SetCaption(QString::fromStdString(Shell_.LangStr(persist ? "PERSISTENCETIME" : "REFRESHTIME")));
    const int format = Settings_.Format();
    const int wfm = ReadChoiceSetting(Shell_.CommandTree(), "SHADOW:Displ:Wfm", ssCh1);
    RetargetSwitcher(*Place_, std::string(format == df2YT || format == dfComb2YTXY ? "Screen2:" : "Screen4:") +
                          DisplaySourceName(wfm));
    const bool grading = style == dsVColorGrad || style == dsIColorGrad;
    for (QPushButton* b : SetGrade_) b->setEnabled(grading);
    PaintGradeSamples();
}

void TDisp_Form::PaintGradeSamples() {
    for (int k = 0; k < GradeSampleCount; ++k) {
        const auto value = static_cast<std::uint32_t>(ReadRealSetting(Shell_.CommandTree(), GradePath(k), AbsentGrade));
        QFrame* sample = Samples_[static_cast<std::size_t>(k)];
        QPalette palette = sample->palette();
        palette.setColor(QPalette::Window, FromColorRef(value));
        sample->setPalette(palette);
    }
}

void TDisp_Form::ApplyColorCommand(const std::string& path, std::uint32_t value) {
    THandler* handler = Shell_.CommandTree() ? Shell_.CommandTree()->Resolve(path) : nullptr;
    if (!handler) return;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    ApplyCommandText(*handler, std::to_string(value));
}

void TDisp_Form::AskGradeColor(int k) {
    const std::string path = GradePath(k);
    auto colour = static_cast<std::uint32_t>(ReadRealSetting(Shell_.CommandTree(), path, 0));
    if (!Dialogs_.AskColor(this, colour)) return;
    // The grade step repaints the samples.
    ApplyColorCommand(path, colour & 0xFFFFFFu);
}

void TDisp_Form::AskElementColor() {
    const int element = ReadChoiceSetting(Shell_.CommandTree(), "SHADOW:ColorItem", 0);
    if (element < 0 || element >= ScreenElementCount) return;
    const std::string path = "Displ:Color:" + ElementColorMnemonic(element);
    const auto value = static_cast<std::uint32_t>(ReadRealSetting(Shell_.CommandTree(), path, 0));
    std::uint32_t colour = value & 0xFFFFFFu;
    if (!Dialogs_.AskColor(this, colour)) return;
    const std::uint32_t opacity = std::min(value >> ColorValueOpacityShift, MaxOpacity);
    ApplyColorCommand(path, (colour & 0xFFFFFFu) | (opacity << ColorValueOpacityShift));
}

void TDisplayMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkDisplay, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TDisp_Form(m, window, Shell_, Settings_, Dialogs_);
    });
}

}  // namespace vt
