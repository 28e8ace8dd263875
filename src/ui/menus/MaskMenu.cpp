#include "ui/menus/MaskMenu.h"

#include <QGuiApplication>
#include <QScreen>
#include <filesystem>
#include <string>

#include "acq/MainCommands.h"

#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "core/UserServices.h"
#include "serial/ScopeSerialServices.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/dialogs/StdMaskForm.h"
#include "ui/dialogs/StdMaskStoreForm.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int CreatePage = 4;
constexpr const char* MaskFilter = "Mask file (*.pcm)|*.pcm";
// "# OF" by the run limit: its caption's language key and its setting.
constexpr std::array<std::pair<const char*, const char*>, 4> Counts{
    {{"NOFFAILEDWFM", "FailWfms"}, {"NOFFAILEDSMPL", "FailSmpls"}, {"NOFWAVEFORMS", "NWfms"}, {"NOFSAMPLES", "NSamples"}}};

TRC_RightPassiveCommandSwitcher* Passive(TPageStacker& page, QWidget* parent, const char* name, const QString& caption) {
    return page.Adopt(new TRC_RightPassiveCommandSwitcher(parent), name, caption);
}

// A choice placed first and filled after, so its buttons are laid out in the room it takes.
TRC_RadioSwitcher* Choice(TPageStacker& page, const char* name, const QString& caption, const char* mnemonic,
                          const QStringList& items, int columns = 1) {
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    auto* sw = page.Add<TRC_RadioSwitcher>(name, caption, mnemonic, TPageStacker::ButtonsHeight(rows));
    if (columns != 1) sw->SetColumns(columns);
    sw->SetItems(items);
    return sw;
}

// The chosen file's full name without its extension, in the dialog's folder when it names none.
std::string ChosenStem(const TSaveDialogRequest& request) {
    const std::filesystem::path p(request.Name);
    const std::string folder = p.has_parent_path() ? p.parent_path().string() + "/" : request.Folder;
    return folder + p.stem().string();
}

}  // namespace

TMask_Form::TMask_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, TMaskMenuFeature& feature)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), Feature_(feature) {
    setObjectName(QStringLiteral("Mask_Form"));
    const auto follow = [this](TRC_Switcher&) { UpdateMenu(); };
    const auto on = [](TRC_Switcher* sw, std::function<void()> f) {
        sw->SetOnUpdateMe([f = std::move(f)](TRC_Switcher&) { f(); });
    };

    TRC_RightMenuPanel* p = Pages_[0] = NewMenuPage(this, "rmpMaskMain", QStringLiteral("Mask Test"), "Mask");
    {
        TPageStacker page(*p, FirstTop);
        on(Passive(page, p, "swCreateMask", QStringLiteral("Create Mask...")), [this] {
            if (auto* test = FindSetting<TOnOffHandler>(Shell_.CommandTree(), "Mask:Test")) test->SetOn(false);
            SetTopPanel(CreatePage);
        });
        page.Adopt(new TRC_RightCommandSwitcher(p), "swEraseMask", QStringLiteral("Erase Mask"), ":Mask:EraseMask");
        page.Adopt(PageButton(p, 3), "swRunUntilAction", QStringLiteral("Run Until/Action..."));
        Choice(page, "rswCompareWith", QStringLiteral("Compare with"), "CompareWith", {"Ch1", "Ch2"}, 2);
        page.Add<TRC_OnOffSwitch>("oswTest", QStringLiteral("Test"), "Test");
    }

    p = Pages_[2] = NewMenuPage(this, "rmpRunUntil_Actions", QStringLiteral("Run Until/Action"), "Mask");
    {
        TPageStacker page(*p, FirstTop);
        Choice(page, "rswRunUntil", QStringLiteral("Run Until"), "RunUntil",
               {"Stop / Single", "Failed Wfms", "Failed Samples", "Waveforms", "Samples"})
            ->SetOnUpdateMe(follow);
        Count_ = page.Edit("edswNOf", QStringLiteral("# OF"), Counts[0].second);
        auto* action = page.Add<TRC_CheckSwitcher>("cswAction", QStringLiteral("Select Action"), "Action",
                                                   TPageStacker::ButtonsHeight(2));
        action->SetItems({"Beep", "Save"});
        page.Adopt(PageButton(p, 1), "swBackRunUntil", QStringLiteral("Back"));
    }

    p = Pages_[3] = NewMenuPage(this, "rmpCreateMask", QStringLiteral("Create Mask"), "Mask");
    {
        TPageStacker page(*p, FirstTop);
        on(Passive(page, p, "swStandardMask", QStringLiteral("Standard Mask...")), [this] {
            if (Feature_.StandardMaskPicker) Feature_.StandardMaskPicker(parentWidget());
        });
        page.Adopt(PageButton(p, 5), "swAutomask", QStringLiteral("Automask..."));
        on(Passive(page, p, "swEditMask", QStringLiteral("Edit Mask...")), [this] {
            SetTopPanel(6);
            if (TMaskTest* mask = Mask()) mask->EnterEditing();
        });
        on(Passive(page, p, "swRecallUserMask", QStringLiteral("Recall User Mask")), [this] { RecallUserMaskClick(); });
        on(Passive(page, p, "swSaveUserMask", QStringLiteral("Save User Mask")), [this] { SaveUserMaskClick(); });
        on(Passive(page, p, "swSaveMaskAsStd", QStringLiteral("Save Mask As Std")), [this] {
            if (Feature_.StoreAsStandard) Feature_.StoreAsStandard(parentWidget());
        });
        page.Adopt(PageButton(p, 1), "swBackCreate", QStringLiteral("Back"));
    }

    p = Pages_[4] = NewMenuPage(this, "rmpAutomask", QStringLiteral("Automask"), "Automask");
    {
        TPageStacker page(*p, FirstTop);
        page.Add<TRC_SignalSourceSwitcher>("sswSource", QStringLiteral("Source"), "Source");
        Choice(page, "rswUnits", QStringLiteral("Units"), "Unit", {"Division", "Current"});
        page.Edit("edswDeltaX", QStringLiteral("DELTA X"), "DeltaX");
        page.Edit("edswDeltaY", QStringLiteral("DELTA Y"), "Deltay");
        page.Adopt(new TRC_RightCommandSwitcher(p), "swBuildAutomask", QStringLiteral("Build Automask"),
                   ":Automask:BuildAMask");
        page.Adopt(PageButton(p, CreatePage), "swBackAutomask", QStringLiteral("Back"));
    }

    p = Pages_[5] = NewMenuPage(this, "rmpEditMask", QStringLiteral("Edit Mask"), "Mask");
    {
        TPageStacker page(*p, FirstTop);
        on(Passive(page, p, "swAddPoint", QStringLiteral("Add Point")), [this] {
            if (TMaskTest* mask = Mask()) mask->EditAddPoint();
        });
        on(Passive(page, p, "swDeletePoint", QStringLiteral("Delete Point")), [this] {
            if (TMaskTest* mask = Mask()) mask->EditDeletePoint();
        });
        on(Passive(page, p, "swAddPolygon", QStringLiteral("Add Polygon")), [this] {
            if (TMaskTest* mask = Mask()) mask->EditAddPolygon();
        });
        on(Passive(page, p, "swDeletePolygon", QStringLiteral("Delete Polygon")), [this] {
            if (TMaskTest* mask = Mask()) mask->EditDeletePolygon();
        });
        on(Passive(page, p, "swDeleteMask", QStringLiteral("Delete Mask")), [this] {
            if (TMaskTest* mask = Mask()) mask->DeleteMask();
        });
        on(Passive(page, p, "swBackEdit", QStringLiteral("Back")), [this] { MaskEditBackClick(); });
    }
    UpdateMenu();
}

TMaskTest* TMask_Form::Mask() const {
    auto* serial = dynamic_cast<TScopeSerialServices*>(&Shell_.Serial());
    return serial ? &serial->MaskTest() : nullptr;
}

TRC_RightMenuPanel* TMask_Form::Page(int page) const {
    if (page < 1 || page > 6 || page == 2) page = 1;
    return Pages_[static_cast<std::size_t>(page - 1)];
}

TRC_RightPassiveCommandSwitcher* TMask_Form::Button(const char* name) const {
    return findChild<TRC_RightPassiveCommandSwitcher*>(QLatin1String(name));
}

void TMask_Form::UpdateMenu() {
    if (Updating_) return;
    Updating_ = true;
    const TMaskTest* mask = Mask();
    const bool object = mask && mask->MaskObject();
    const int polygons = mask ? mask->PolygonCount() : 0;
    const TCurrentMask* current = mask ? &mask->Mask() : nullptr;
    const bool selected = current && current->SelectedPolygon >= 0 && current->SelectedPolygon < polygons;
    const auto enable = [this](const char* name, bool on) {
        if (auto* b = Button(name)) b->setEnabled(on);
    };
    enable("swSaveUserMask", object);
    enable("swSaveMaskAsStd", object);
    enable("swDeleteMask", polygons > 0);
    enable("swAddPolygon", polygons < MaskPolygonSlots);
    enable("swDeletePolygon", selected);
    enable("swAddPoint", selected && current->SelectedVertex >= 0);
    enable("swDeletePoint", selected && current->SelectedVertex >= 0);
    const int until = std::clamp(ReadChoiceSetting(Shell_.CommandTree(), "Mask:RunUntil", 0), 0, 4);
    const auto& count = Counts[static_cast<std::size_t>(until == 0 ? 0 : until - 1)];
    RetargetSwitcher(*Count_, count.second);
    Count_->SetCaption(QString::fromStdString(Shell_.LangStr(count.first)));
    Updating_ = false;
}

void TMask_Form::SetTopPanel(int page) {
    if (page < 1 || page > 6 || page == 2) page = 1;
    // The editor on the other side is left first, as its "Back" would.
    for (int side : {0, 1}) {
        TSideMenuForm* other = Menus().Form(side);
        if (other && other != this && other->MenuKind == mkMask && other->CurrentPage == MaskEditorPage)
            other->LeaveEditorPage();
    }
    if (CurrentPage == 0) {
        // Opening: the editor is never reopened, and without a mask only the pages that make one show.
        const TMaskTest* mask = Mask();
        const bool picker = Feature_.PickerOpen && Feature_.PickerOpen();
        if (page == MaskEditorPage && !(mask && mask->Editing())) page = CreatePage;
        if (!(mask && (mask->MaskObject() || mask->Editing())) && !picker && page != 1 && page != CreatePage && page != 5)
            page = 1;
    }
    ShowPanel(Page(page));
    TSideMenuForm::SetTopPanel(page);
}

void TMask_Form::MaskEditBackClick() {
    // Both sides' menus leave each other's editor: once is enough.
    if (Leaving_) return;
    Leaving_ = true;
    if (TMaskTest* mask = Mask()) mask->SetEditing(false);
    Shell_.Display().TopTextUpdateAll();
    SetTopPanel(CreatePage);
    UpdateMenu();
    Leaving_ = false;
}

void TMask_Form::SaveUserMaskClick() {
    TMaskTest* mask = Mask();
    if (!mask || !mask->MaskObject()) return;
    TSaveDialogRequest request{.Title = Shell_.LangStr("SaveMaskAs"), .Filter = MaskFilter, .FilterIndex = 0,
                               .Name = mask->UserMaskName(), .Folder = Shell_.Folders.UserMaskFolder};
    if (!Shell_.User().ExecSaveDialog(request)) return;
    const std::string stem = ChosenStem(request);
    mask->SetUserMaskName(stem);
    if (mask->SaveUserMask) mask->SaveUserMask(stem + ".pcm");
}

void TMask_Form::RecallUserMaskClick() {
    TMaskTest* mask = Mask();
    if (!mask) return;
    TSaveDialogRequest request{.Title = Shell_.LangStr("RecallMask"), .Filter = MaskFilter, .FilterIndex = 0,
                               .Name = mask->UserMaskName(), .Folder = Shell_.Folders.UserMaskFolder};
    if (!Shell_.User().ExecOpenDialog(request)) return;
    const std::string stem = ChosenStem(request);
    mask->SetUserMaskName(stem);
    if (mask->RecallUserMask) mask->RecallUserMask(stem + ".pcm");
    Shell_.Display().TopTextUpdateAll();
    UpdateMenu();
}

// ------------------------------------------------------------------------------------ the feature

namespace {

TMaskTest* MaskTestOf(TShell& shell) {
    auto* serial = dynamic_cast<TScopeSerialServices*>(&shell.Serial());
    return serial ? &serial->MaskTest() : nullptr;
}

// A place the user can still reach: at least 50 pixels inside a screen.
bool WellInsideAScreen(const QPoint& at) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().adjusted(50, 50, -50, -50).contains(at)) return true;
    return false;
}

}  // namespace

TMaskMenuFeature::TMaskMenuFeature(TShell& shell) : Shell_(shell) {
    StandardMaskPicker = [this](QWidget* owner) { OpenStandardMaskPicker(owner); };
    StoreAsStandard = [this](QWidget* owner) { OpenStoreAsStandard(owner); };
    PickerOpen = [this] { return Picker_ != nullptr; };
}

TMaskMenuFeature::~TMaskMenuFeature() { Attach(nullptr); }

void TMaskMenuFeature::OpenStandardMaskPicker(QWidget* owner) {
    TMaskTest* mask = MaskTestOf(Shell_);
    if (!mask || Picker_) return;
    // Its own undo step: what the picker changes can be taken back whole.
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    mask->SaveMaskStateForUndo();
    TStdMaskFrm picker(Shell_, *mask, Kit_, owner);
    picker.ShowHelp = ShowHelp;
    QPoint at(400, 100);
    if (const QWidget* window = owner ? owner->window() : nullptr) at += window->pos();
    if (PickerPlace_ && WellInsideAScreen(*PickerPlace_)) at = *PickerPlace_;
    picker.move(at);
    Picker_ = &picker;
    const int result = RunModal(DialogRunner, picker);
    Picker_ = nullptr;
    PickerPlace_ = picker.pos();
    if (result != QDialog::Accepted && picker.ChangedMask()) {
        if (UndoLastStep) {
            UndoLastStep();
        } else {
            TMainCommandSteps none;
            UndoRedoSettings(Shell_, none, false, true);
        }
        Shell_.Display().TopTextUpdateAll();
    }
    RefreshMaskMenu();
}

void TMaskMenuFeature::OpenStoreAsStandard(QWidget* owner) {
    TMaskTest* mask = MaskTestOf(Shell_);
    if (!mask || !mask->MaskObject()) return;
    TfrmStdMaskStoreDlg dialog(Shell_, mask->Mask(), mask->Standards(),
                               [this] { Shell_.Serial().RefreshStdMaskFamily(); }, owner);
    RunModal(DialogRunner, dialog);
}

void TMaskMenuFeature::AddDialogsToEnglishFile(const TAddEnglishFileDialog& add) {
    add("TStdMaskFrm", [this](QWidget* owner) -> QWidget* {
        TMaskTest* mask = MaskTestOf(Shell_);
        if (!mask) return nullptr;
        auto* picker = new TStdMaskFrm(Shell_, *mask, Kit_, owner);
        // Bound as on the screen, so that the margin's unit is written.
        for (TRC_Switcher* sw : {static_cast<TRC_Switcher*>(&picker->AlignSwitch()),
                                 static_cast<TRC_Switcher*>(&picker->MarginsSwitch()),
                                 static_cast<TRC_Switcher*>(&picker->MarginsEdit())})
            if (!sw->GetHandler() && sw->Kit()) sw->BindToHandler(true);
        return picker;
    });
    add("TfrmStdMaskStoreDlg", [this](QWidget* owner) -> QWidget* {
        TMaskTest* mask = MaskTestOf(Shell_);
        if (!mask) return nullptr;
        return new TfrmStdMaskStoreDlg(Shell_, mask->Mask(), mask->Standards(), {}, owner);
    });
}

void TMaskMenuFeature::StdMaskStandardChanged() {
    if (Picker_) Picker_->StandardChanged();
}

void TMaskMenuFeature::StdMaskSelectionChanged() {
    if (Picker_) Picker_->MaskSelectionChanged();
}

void TMaskMenuFeature::Attach(TSideMenus* menus) {
    Menus_ = menus;
    Kit_ = menus ? &menus->Kit() : nullptr;
    if (auto* serial = dynamic_cast<TScopeSerialServices*>(&Shell_.Serial()))
        serial->MaskTest().SetView(menus ? this : nullptr);
}

void TMaskMenuFeature::RegisterForms(TSideMenus& menus) {
    Attach(&menus);
    menus.RegisterForm(mkMask, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TMask_Form(m, window, Shell_, *this);
    });
}

void TMaskMenuFeature::WindowCreated(TMorda_fr&, TSideMenus& menus, TKitContext&) { Attach(&menus); }

void TMaskMenuFeature::WindowGone() { Attach(nullptr); }

bool TMaskMenuFeature::IsMenuPageOnSide0(int kind, int page) const {
    return Menus_ && Menus_->Slots().IsMenuPageOnSide0(kind, page);
}

void TMaskMenuFeature::RefreshMaskMenu() {
    if (!Menus_) return;
    for (int side : {0, 1})
        if (auto* form = dynamic_cast<TMask_Form*>(Menus_->Form(side))) form->UpdateMenu();
}

}  // namespace vt
