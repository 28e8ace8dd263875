#pragma once
// Stacks the controls of a side-menu page from the top down, each the page's inner width, gap pixels
// apart. A control is never placed lower than its kind's height; where the page is too tall for the
// gaps, the gaps shrink, never a control.
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <string>
#include <vector>

#include "ui/SideMenu.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/Switcher.h"

namespace vt {

// A place in a stack: the pixels of the controls above it and the number of gaps among them, so that
// the place follows when the gaps shrink.
struct TStackTop {
    int Pixels = 0;
    int Gaps = 0;
};

class TPageStacker {
public:
    static constexpr int Left = 2;
    static constexpr int Width = 107;
    static constexpr int Gap = 3;
    static constexpr int ButtonRow = 16;
    // The last pixel row a control may take: the page as its slot shows it, above the page's frame.
    static constexpr int Bottom = SideMenuPageHeight - 3;

    explicit TPageStacker(TRC_RightMenuPanel& page, int top = 20, int gap = Gap) : Page_(page), Top_{top, 0}, Gap_(gap) {}
    // Fits the page when its stacking is done.
    ~TPageStacker() { Fit(); }
    TPageStacker(const TPageStacker&) = delete;
    TPageStacker& operator=(const TPageStacker&) = delete;

    // A switcher of the given height (0 keeps its own) with its caption and setting.
    template <class T>
    T* Add(const char* name, const QString& caption, const char* mnemonic, int height = 0) {
        auto* sw = new T(&Page_);
        sw->setObjectName(QLatin1String(name));
        sw->SetCaption(caption);
        if (mnemonic) sw->SetMnemonics(mnemonic);
        Place(*sw, height ? height : sw->height());
        return sw;
    }
    // A switcher made already (with its items), named, captioned, bound and placed.
    template <class T>
    T* Adopt(T* sw, const char* name, const QString& caption, const char* mnemonic = nullptr, int height = 0) {
        sw->setObjectName(QLatin1String(name));
        sw->SetCaption(caption);
        if (mnemonic) sw->SetMnemonics(mnemonic);
        Place(*sw, height ? height : sw->height());
        return sw;
    }
    // A radio switcher one row per item, and an edit switcher of its kind's height.
    TRC_RadioSwitcher* Radio(const char* name, const QString& caption, const char* mnemonic, const QStringList& items,
                             int columns = 1) {
        const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
        auto* sw = new TRC_RadioSwitcher(&Page_);
        if (columns != 1) sw->SetColumns(columns);
        sw->SetItems(items);
        return Adopt(sw, name, caption, mnemonic, ButtonsHeight(rows));
    }
    TRC_EditSwitcher* Edit(const char* name, const QString& caption, const char* mnemonic) {
        return Add<TRC_EditSwitcher>(name, caption, mnemonic);
    }

    // Where the next control goes; controls that take each other's place start from the same top.
    TStackTop Top() const { return Top_; }
    void MoveTo(TStackTop top) { Top_ = top; }
    // The lower of two places, at the gaps as they are now.
    TStackTop Lower(TStackTop a, TStackTop b) const { return Row(a, Gap_) >= Row(b, Gap_) ? a : b; }
    // The height of a button switcher with this many rows.
    static int ButtonsHeight(int rows) { return SwitcherTitleHeight + rows * ButtonRow + 4; }

    QPushButton* AddButton(const char* name, const QString& text) {
        auto* b = new QPushButton(text, &Page_);
        b->setObjectName(QLatin1String(name));
        Place(*b, 22);
        return b;
    }
    QLabel* AddLabel(const char* name, const QString& text) {
        auto* l = new QLabel(text, &Page_);
        l->setObjectName(QLatin1String(name));
        l->setAlignment(Qt::AlignCenter);
        Place(*l, 18);
        return l;
    }
    // Any widget of the page at the next place; a switcher gets at least its kind's height.
    void Place(QWidget& w, int height);
    // A widget at the page's foot: the stack ends above it.
    void PlaceAtFoot(QWidget& w, int height);
    // Shrinks the gaps until the stack ends above the foot (or the page's bottom) and moves every
    // control to its place. Called again when more controls follow.
    void Fit();

private:
    struct TPlaced {
        QWidget* Widget;
        TStackTop Top;
        int Height;
    };
    static int Row(TStackTop top, int gap) { return top.Pixels + top.Gaps * gap; }

    TRC_RightMenuPanel& Page_;
    TStackTop Top_;
    int Gap_;
    int Foot_ = Bottom + 1;  // the first row below the stack's room
    std::vector<TPlaced> Placed_;
};

// A hidden page of the side menu's size; group: the page's setting group (none: the form's).
TRC_RightMenuPanel* NewMenuPage(QWidget* form, const char* name, const QString& caption, const char* group = nullptr);
// Retargets a switcher only when its setting changes, since retargeting rebinds at once.
void RetargetSwitcher(TRC_Switcher& sw, const std::string& mnemonic);

}  // namespace vt
