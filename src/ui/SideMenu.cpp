#include "ui/SideMenu.h"

#include <QWheelEvent>
#include <memory>

#include "core/InternalError.h"
#include "ui/controls/CommandSwitchers.h"

namespace vt {

namespace {
constexpr std::string_view Unit = "SideMenu";
}

// ---------------------------------------------------------------------------------------------------

TSideMenuForm::TSideMenuForm(TSideMenus& menus, QWidget* mainWindow)
    : TLanguageForm(mainWindow, Qt::Widget | Qt::FramelessWindowHint), Menus_(menus) {
    setVisible(false);
}

TKitContext& TSideMenuForm::Kit() { return Menus_.Kit(); }

void TSideMenuForm::SetTopPanel(int page) {
    CurrentPage = page;
    // Only the form shown in its slot speaks for the slot: a replaced form that is still finishing
    // its own event, or a form created only to be written, must not overwrite it.
    if (!ValidMenuSide(Side) || Menus_.Form(Side) != this) return;
    Menus_.Slots().SetKind(Side, MenuKind);
    Menus_.Slots().SetRememberedPage(Side, MenuKind, page);
}

void TSideMenuForm::ShowPanel(TRC_RightMenuPanel* panel) {
    if (panel == CurrentPanel) return;
    if (CurrentPanel) CurrentPanel->hide();
    CurrentPanel = panel;
    if (!panel) return;
    panel->setGeometry(0, 0, SideMenuPageWidth, SideMenuPageHeight);
    panel->show();
    UpdateScroll();
}

void TSideMenuForm::resizeEvent(QResizeEvent* event) {
    TLanguageForm::resizeEvent(event);
    UpdateScroll();
}

void TSideMenuForm::wheelEvent(QWheelEvent* event) {
    if (!Scroll_ || !Scroll_->isVisible()) {
        event->ignore();
        return;
    }
    Scroll_->setValue(Scroll_->value() - event->angleDelta().y() / 4);
    event->accept();
}

void TSideMenuForm::UpdateScroll() {
    const int overflow = SideMenuPageHeight - height();
    if (overflow <= 0) {
        if (Scroll_) {
            Scroll_->setValue(0);
            Scroll_->hide();
        }
        if (CurrentPanel) CurrentPanel->move(0, 0);
        return;
    }
    if (!Scroll_) {
        Scroll_ = new QScrollBar(Qt::Vertical, this);
        Scroll_->setObjectName("sbSideMenu");
        Scroll_->setFocusPolicy(Qt::NoFocus);
        // The style's own bar is grey on grey at this width: a dark handle in a light groove shows the
        // user at once that the menu goes on below.
        Scroll_->setStyleSheet(QStringLiteral(
            "QScrollBar:vertical { background: #d4d4d4; border: none; margin: 0; }"
            "QScrollBar::handle:vertical { background: #5a5a5a; min-height: 16px; border-radius: 2px; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
        connect(Scroll_, &QScrollBar::valueChanged, this, [this](int value) {
            if (CurrentPanel) CurrentPanel->move(0, -value);
        });
    }
    Scroll_->setRange(0, overflow);
    Scroll_->setPageStep(height());
    Scroll_->setSingleStep(20);
    Scroll_->setGeometry(SideMenuPageWidth, 0, std::max(1, width() - SideMenuPageWidth), height());
    Scroll_->show();
    Scroll_->raise();
    if (CurrentPanel) CurrentPanel->move(0, -Scroll_->value());
}

std::vector<TRC_RightMenuPanel*> TSideMenuForm::Pages() const {
    std::vector<TRC_RightMenuPanel*> pages;
    for (QObject* child : children())
        if (auto* page = dynamic_cast<TRC_RightMenuPanel*>(child)) pages.push_back(page);
    return pages;
}

void TSideMenuForm::UnbindPages() {
    for (TRC_RightMenuPanel* page : Pages())
        for (TRC_Switcher* sw : SwitchersOf(*page)) sw->UnbindFromHandler();
}

void TSideMenuForm::OpenMenu(int side, int kind) {
    UpdateMenu();
    for (TRC_RightMenuPanel* page : Pages()) BindSwitchersOf(*page);
    SetTopPanel(Menus_.Slots().RememberedPage(side, kind));
}

void TSideMenuForm::SetSide(int side) {
    if (!ValidMenuSide(side)) VT_INTERNAL_ERROR(Unit, "Side menu side out of range");
    Side = side;
    Menus_.Dimensions(side).ApplyTo(*this, !Menus_.SideMenusVisible());
}

// ---------------------------------------------------------------------------------------------------

void TSMDimensions::SetLeft(int left) {
    Place_.Left = left;
    Apply();
}
void TSMDimensions::SetTop(int top) {
    Place_.Top = top;
    Apply();
}
void TSMDimensions::SetWidth(int width) {
    Place_.Width = width;
    Apply();
}
void TSMDimensions::SetHeight(int height) {
    Place_.Height = height;
    Apply();
}
void TSMDimensions::SetVisible(bool visible) {
    Place_.Visible = visible;
    Apply();
}
void TSMDimensions::SetPlace(const TPlace& place) {
    Place_ = place;
    Apply();
}

void TSMDimensions::Apply() {
    if (TSideMenuForm* form = Menus_.Form(Side_)) ApplyTo(*form, Menus_.Hidden_);
}

void TSMDimensions::ApplyTo(QWidget& form, bool slotsHidden) const {
    // A slot lower than a page takes the scroll bar beside the page.
    const int bar = Place_.Height < SideMenuPageHeight ? SideMenuScrollBarWidth : 0;
    form.setGeometry(Place_.Left, Place_.Top, Place_.Width + bar, Place_.Height);
    // A hidden form gets its resize event only when shown: the page takes its place now.
    if (auto* menu = dynamic_cast<TSideMenuForm*>(&form)) menu->UpdateScroll();
    form.setVisible(Place_.Visible && !slotsHidden);
}

// ---------------------------------------------------------------------------------------------------

TSideMenus::TSideMenus(TKitContext& kit, QWidget* mainWindow)
    : Kit_(kit), MainWindow_(mainWindow), Dimensions_{TSMDimensions(*this, 0), TSMDimensions(*this, 1)} {}

TSideMenus::~TSideMenus() {
    // The forms hold a reference to this manager: they go with it, not later with the main window.
    for (auto& form : Forms_) delete form.data();
}

void TSideMenus::RegisterForm(int kind, TFormFactory factory) {
    if (!ValidMenuKind(kind) || kind == mkService || kind == mkNone)
        VT_INTERNAL_ERROR(Unit, "Side menu kind " + std::to_string(kind) + " takes no form");
    Factories_[static_cast<std::size_t>(kind)] = std::move(factory);
}

bool TSideMenus::HasForm(int kind) const {
    return ValidMenuKind(kind) && static_cast<bool>(Factories_[static_cast<std::size_t>(kind)]);
}

TSideMenuForm* TSideMenus::Form(int side) const {
    if (!ValidMenuSide(side)) VT_INTERNAL_ERROR(Unit, "Side menu side out of range");
    return Forms_[static_cast<std::size_t>(side)].data();
}

TSMDimensions& TSideMenus::Dimensions(int side) {
    if (!ValidMenuSide(side)) VT_INTERNAL_ERROR(Unit, "Side menu side out of range");
    return Dimensions_[static_cast<std::size_t>(side)];
}

TSideMenuForm* TSideMenus::CreateForm(int kind, bool leftSide) {
    // Held until it is handed over, so that a translation that fails leaves no orphan form behind.
    std::unique_ptr<TSideMenuForm> form(Factories_[static_cast<std::size_t>(kind)](*this, MainWindow_, leftSide));
    if (!form) VT_INTERNAL_ERROR(Unit, "Side menu form of kind " + std::to_string(kind) + " not created");
    form->MenuKind = kind;
    // A second instance of a form (the same menu in both slots) is told apart by "_1"; its texts
    // come from the first one's section.
    for (const auto& other : Forms_)
        if (other && other->objectName() == form->objectName()) form->setObjectName(form->objectName() + "_1");
    if (Translate_) Translate_(*form);
    return form.release();
}

TSideMenuForm* TSideMenus::CreateDetachedForm(int kind) {
    if (!HasForm(kind)) return nullptr;
    return CreateForm(kind, false);
}

void TSideMenus::RetireForm(int side) {
    QPointer<TSideMenuForm>& slot = Forms_[static_cast<std::size_t>(side)];
    TSideMenuForm* old = slot.data();
    slot = nullptr;
    if (!old) return;
    old->UnbindPages();
    old->hide();
    old->setObjectName(QString());
    old->deleteLater();
}

void TSideMenus::ShowSideMenu(int kind, int side) {
    if (!ValidMenuKind(kind)) VT_INTERNAL_ERROR(Unit, "Side menu kind " + std::to_string(kind) + " out of range");
    if (!ValidMenuSide(side)) VT_INTERNAL_ERROR(Unit, "Side menu side " + std::to_string(side) + " out of range");
    // The mask editor is left before any menu changes, as its "Back" button would.
    for (int s : {1, 0}) {
        TSideMenuForm* form = Form(s);
        if (form && Slots_.Kind(s) == mkMask && form->CurrentPage == MaskEditorPage) form->LeaveEditorPage();
    }
    RetireForm(side);
    Slots_.SetKind(side, kind);
    if (kind == mkNone || kind == mkService || !HasForm(kind)) return;
    TSideMenuForm* form = CreateForm(kind, side == 1);
    Forms_[static_cast<std::size_t>(side)] = form;
    form->SetSide(side);
    form->OpenMenu(side, kind);
    Dimensions_[static_cast<std::size_t>(side)].ApplyTo(*form, Hidden_);
}

void TSideMenus::ResetMenuPage(int kind) {
    if (!ValidMenuKind(kind)) VT_INTERNAL_ERROR(Unit, "Side menu kind " + std::to_string(kind) + " out of range");
    for (int side : {0, 1}) {
        TSideMenuForm* form = Form(side);
        if (Slots_.Kind(side) == kind && form && form->CurrentPage > 1) {
            form->SetTopPanel(1);
        } else {
            Slots_.SetRememberedPage(side, kind, 1);
        }
    }
}

void TSideMenus::ReopenSideMenus() {
    for (int side : {0, 1}) {
        const int kind = Slots_.Kind(side);
        if (kind != mkNone) ShowSideMenu(kind, side);
    }
}

void TSideMenus::SetSideMenusVisible(bool visible) {
    Hidden_ = !visible;
    for (int side : {0, 1})
        if (TSideMenuForm* form = Form(side)) Dimensions_[static_cast<std::size_t>(side)].ApplyTo(*form, Hidden_);
}

void TSideMenus::PlaceSideMenus(const TPlace& right, const TPlace& left) {
    Dimensions(0).SetPlace(right);
    Dimensions(1).SetPlace(left);
}

std::vector<std::string> UnboundSwitchersOf(const TSideMenuForm& form) {
    std::vector<std::string> unbound;
    for (TRC_RightMenuPanel* page : form.Pages())
        for (TRC_Switcher* sw : SwitchersOf(*page))
            if (!sw->GetHandler() && sw->Mnemonics() != NoneHandlerMnemonic)
                unbound.push_back(page->objectName().toStdString() + "/" + sw->Caption().toStdString() + ": " +
                                  sw->GetFullMnemonic());
    return unbound;
}

TRC_RightPassiveCommandSwitcher* TSideMenuForm::PageButton(TRC_RightMenuPanel* page, int target, int back) {
    auto* sw = new TRC_RightPassiveCommandSwitcher(page);
    sw->SetOnUpdateMe([this, target, back](TRC_Switcher&) {
        if (target == 0)
            Menus().ShowSideMenu(back, Side);
        else
            SetTopPanel(target);
    });
    return sw;
}

}  // namespace vt
