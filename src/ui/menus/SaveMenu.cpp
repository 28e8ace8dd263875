#include "ui/menus/SaveMenu.h"

#include <QLabel>
#include <functional>
#include <memory>

#include "acq/SaveRecall.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

enum : int { pgMemory = 1, pgDisk, pgSetup };
constexpr int FirstTop = 18;
constexpr int Gap = 1;
constexpr int RowHeight = 15;

int ItemsHeight(int rows) { return SwitcherTitleHeight + rows * RowHeight + 4; }

TRC_RadioSwitcher* Radio(QWidget* page, const QStringList& items, int columns) {
    auto* sw = new TRC_RadioSwitcher(page);
    sw->SetItems(items);
    sw->SetColumns(columns);
    return sw;
}

}  // namespace

TSave_Form::TSave_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell)
    : TSideMenuForm(menus, mainWindow), Shell_(shell) {
    setObjectName("Save_Form");
    static const char* const Captions[] = {"Save / Recall", "Disk", "Setup"};
    static const char* const Groups[] = {"Save:Memo", "Save:Disk", "Save:Setup"};
    for (int i = 0; i < 3; ++i) {
        auto* page = new TRC_RightMenuPanel(this);
        page->setObjectName(QString("rmpPage%1").arg(i + 1));
        page->SetCaption(Captions[i]);
        page->SetGroupMnemonics(Groups[i]);
        page->setGeometry(0, 0, SideMenuPageWidth, SideMenuPageHeight);
        page->hide();
        Pages_[static_cast<std::size_t>(i)] = page;
    }
    const QStringList memories = {"M1", "M2", "M3", "M4"};
    auto state = [this]() -> TSaveRecall* { return Shell_.SaveRecall(); };

    // 1: the memories.
    TRC_RightMenuPanel* p = Page(pgMemory);
    auto c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    auto* shown = new TRC_CheckSwitcher(p);
    shown->SetItems(memories);
    shown->SetColumns(2);
    c->Adopt(shown, "swMemoOn", "Waveform Memory", "On", ItemsHeight(2));
    c->Adopt(new TRC_SignalSourceSwitcher(p), "swMemoSource", "Source", "Source");
    c->Adopt(Radio(p, memories, 2), "swMemoToMemo", "...to Memory", "ToMemo", ItemsHeight(2));
    c->Adopt(new TRC_RightCommandSwitcher(p), "swMemoSave", "Save Waveform", "Save");
    c->Adopt(Action(p, [this] { SetTopPanel(pgDisk); }), "swDiskPage", "Disk...", nullptr);
    c->Adopt(Action(p, [this] { SetTopPanel(pgSetup); }), "swSetupPage", "Setup...", nullptr);

    // 2: waveform files.
    p = Page(pgDisk);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->AddLabel("lbSaveToDisk", "Save to Disk");
    const TStackTop fileTypeTop = c->Top();
    auto* fileType = c->Adopt(Radio(p, {"Waveform File", "Database File"}, 1), "swFileType", "File Type", "FileType",
                              ItemsHeight(2));
    c->MoveTo(fileTypeTop);
    fileType->hide();
    auto* source = c->Adopt(new TRC_SignalSourceSwitcher(p), "swDiskSource", "Source", "Source");
    fileType->SetOnUpdateMe([source](TRC_Switcher& sw) {
        // The database keeps its own source choice: the waveform source is hidden meanwhile.
        if (auto* h = dynamic_cast<TRadioSwHandler*>(sw.GetHandler())) source->setVisible(h->GetItemIndex() == 0);
    });
    c->Adopt(Radio(p, {"Manual", "Auto"}, 1), "swNameMode", "File Name ", "NameMode", ItemsHeight(2));
    c->Adopt(Action(p, [state] {
                 if (TSaveRecall* s = state()) s->DiskSaveAction();
             }),
             "swDiskSave", "Save", nullptr);
    c->AddLabel("lbLoadFromDisk", "Load from Disk");
    c->Adopt(Radio(p, memories, 2), "swDiskToMemo", "...to Memory", "ToMemo", ItemsHeight(2));
    c->Adopt(Action(p, [state] {
                 if (TSaveRecall* s = state()) s->DiskLoadAction();
             }),
             "swDiskLoad", "Load", nullptr);
    c->Adopt(Action(p, [this] { SetTopPanel(pgMemory); }), "swDiskBack", "Back", nullptr);

    // 3: setups.
    p = Page(pgSetup);
    c = std::make_unique<TPageStacker>(*p, FirstTop, Gap);
    c->Adopt(Action(p, [this] { SetTopPanel(pgMemory); }), "swSetupBack", "Back", nullptr);
    c->Adopt(new TRC_RightCommandSwitcher(p), "swRecFact", "Recall Factory", "RecFact");
    c->Adopt(new TRC_RightCommandSwitcher(p), "swRecLast", "Recall Power Off", "RecLast");
    c->Adopt(new TRC_RightCommandSwitcher(p), "swSvAsDefault", "Save as Default", "SvAsDefault");
    c->Adopt(Action(p, [state] {
                 if (TSaveRecall* s = state()) s->RecallSetupDialog();
             }),
             "swRecallSetup", "Recall Setup", nullptr);
    c->Adopt(Action(p, [state] {
                 if (TSaveRecall* s = state()) s->SaveSetupDialog();
             }),
             "swSaveSetup", "Save Setup", nullptr);
}

TRC_RightPassiveCommandSwitcher* TSave_Form::Action(TRC_RightMenuPanel* page, std::function<void()> action) {
    auto* sw = new TRC_RightPassiveCommandSwitcher(page);
    sw->SetOnUpdateMe([action = std::move(action)](TRC_Switcher&) { action(); });
    return sw;
}

TRC_Switcher* TSave_Form::Control(const char* name) const { return findChild<TRC_Switcher*>(name); }

void TSave_Form::SetTopPanel(int page) {
    if (page < 1 || page > 3) page = 1;
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void TSaveMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkSaveRecall, [this](TSideMenus& m, QWidget* mainWindow, bool) -> TSideMenuForm* {
        return new TSave_Form(m, mainWindow, Shell_);
    });
}

}  // namespace vt
