#pragma once
// The side-menu frame: the base of the forms that sit in the main window's two slots, the manager
// that opens and frees them, the page each menu showed last and the geometry of the slots.
//
// Features register their forms into the manager's factory by kind; a kind without a form (one whose
// feature is not built, and the reserved service menu) leaves its slot empty but is still recorded as
// the slot's kind.
#include <QPointer>
#include <QScrollBar>
#include <array>
#include <functional>

#include "ui/MainLayout.h"
#include "ui/SideMenuHost.h"
#include "ui/SideMenuSlots.h"
#include "ui/controls/Switcher.h"
#include "ui/controls/LanguageForm.h"

namespace vt {

class TSideMenus;
class TRC_RightPassiveCommandSwitcher;

inline constexpr int SideMenuPageWidth = 111;
inline constexpr int SideMenuPageHeight = 460;
// The scroll bar beside a page that is taller than its slot.
inline constexpr int SideMenuScrollBarWidth = 6;

class TSideMenuForm : public TLanguageForm, public IKitHost {
public:
    // Owned by and shown in the main window, without a border.
    TSideMenuForm(TSideMenus& menus, QWidget* mainWindow);

    int Side = 0;
    int CurrentPage = 0;
    int MenuKind = mkNone;
    TRC_RightMenuPanel* CurrentPanel = nullptr;

    TKitContext& Kit() override;
    TSideMenus& Menus() const { return Menus_; }

    // Refreshes the contents before the menu opens.
    virtual void UpdateMenu() {}
    // Selects a page and remembers it for the form's side and kind; forms show their page panel
    // (ShowPanel) and then call this step.
    virtual void SetTopPanel(int page);
    // Leaves a page that must not stay open when a menu is opened in either slot (the mask editor).
    virtual void LeaveEditorPage() {}

    // Hides the current page and shows panel (none: no page) at the page place.
    void ShowPanel(TRC_RightMenuPanel* panel);
    // Refresh, bind every page's switchers to their settings, then show the remembered page.
    void OpenMenu(int side, int kind);
    // Stores the side and takes that slot's place.
    void SetSide(int side);
    // The form's pages.
    std::vector<TRC_RightMenuPanel*> Pages() const;
    // Every page's switchers let go of their handlers.
    void UnbindPages();

    // The scroll bar shown while the slot is lower than a page, or null.
    QScrollBar* ScrollBar() const { return Scroll_; }
    // Shows the scroll bar and moves the page by its value while the form is lower than a page.
    void UpdateScroll();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // A button on page that opens page target of this form; target 0 returns the slot to the menu
    // `back` (the forms the utility menu opens go back to it).
    TRC_RightPassiveCommandSwitcher* PageButton(TRC_RightMenuPanel* page, int target, int back = mkUtility);

private:
    TSideMenus& Menus_;
    QScrollBar* Scroll_ = nullptr;
};

// The place of one slot. Each setter applies all five values to the slot's form, when there is one.
class TSMDimensions {
public:
    TSMDimensions(TSideMenus& menus, int side) : Menus_(menus), Side_(side) {}

    TPlace Place() const { return Place_; }
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);
    void SetVisible(bool visible);
    void SetPlace(const TPlace& place);
    void ApplyTo(QWidget& form, bool slotsHidden) const;

private:
    void Apply();
    TSideMenus& Menus_;
    int Side_;
    TPlace Place_{0, 0, SideSlotWidth, SideMenuPageHeight, true};
};

class TSideMenus : public TSideMenuHost {
public:
    // Creates a kind's form, owned by and parented to the main window; leftSide tells the channels
    // menu where it sits.
    using TFormFactory = std::function<TSideMenuForm*(TSideMenus& menus, QWidget* mainWindow, bool leftSide)>;
    using TTranslate = std::function<void(TLanguageForm& form)>;

    TSideMenus(TKitContext& kit, QWidget* mainWindow);
    ~TSideMenus() override;
    TSideMenus(const TSideMenus&) = delete;
    TSideMenus& operator=(const TSideMenus&) = delete;

    // A feature registers its form; the reserved service kind and the closing kind take none.
    void RegisterForm(int kind, TFormFactory factory);
    bool HasForm(int kind) const;
    // Called with every form right after it is created (the language translation).
    void SetTranslate(TTranslate translate) { Translate_ = std::move(translate); }

    // Opens the menu of kind (0..24; 24 closes) in side (0 right, 1 left), freeing the form that was
    // there. The old form is unbound at once and deleted from the event loop, so a form's own event may
    // open another menu in its slot.
    void ShowSideMenu(int kind, int side) override;
    // Returns a kind to page 1.
    void ResetMenuPage(int kind);
    // Opens both slots again with their current kinds (new language).
    void ReopenSideMenus();
    // Creates the kind's form outside the slots, translated, not shown (the English file's writing).
    TSideMenuForm* CreateDetachedForm(int kind);

    // The form shown in a side, or null.
    TSideMenuForm* Form(int side) const;
    TSideMenuSlots& Slots() { return Slots_; }
    const TSideMenuSlots& Slots() const { return Slots_; }
    TSMDimensions& Dimensions(int side);
    // Both forms hidden (no instrument) or shown as their slots allow.
    void SetSideMenusVisible(bool visible) override;
    bool SideMenusVisible() const { return !Hidden_; }
    TKitContext& Kit() { return Kit_; }
    QWidget* MainWindow() const { return MainWindow_; }

    // The slots' places after the main window's resize.
    void PlaceSideMenus(const TPlace& right, const TPlace& left) override;

private:
    friend class TSMDimensions;
    TSideMenuForm* CreateForm(int kind, bool leftSide);
    void RetireForm(int side);

    TKitContext& Kit_;
    QWidget* MainWindow_;
    TSideMenuSlots Slots_;
    std::array<TFormFactory, MenuKindCount> Factories_{};
    std::array<QPointer<TSideMenuForm>, SideMenuSideCount> Forms_{};
    std::array<TSMDimensions, SideMenuSideCount> Dimensions_;
    TTranslate Translate_;
    bool Hidden_ = false;
};

// Full paths of the switchers of a form's pages that name no setting, as "page/caption: path" (the
// check that every form binds).
std::vector<std::string> UnboundSwitchersOf(const TSideMenuForm& form);

}  // namespace vt
