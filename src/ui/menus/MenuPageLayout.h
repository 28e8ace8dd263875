#pragma once
// Stacks the controls of a side-menu page from the top down, each the page's inner width, gap pixels
// apart.
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <string>

#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/Switcher.h"

namespace vt {

class TPageStacker {
public:
    static constexpr int Left = 2;
    static constexpr int Width = 107;
    static constexpr int Gap = 3;
    static constexpr int ButtonRow = 16;

    explicit TPageStacker(TRC_RightMenuPanel& page, int top = 20, int gap = Gap) : Page_(page), Top_(top), Gap_(gap) {}

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
    // A radio switcher one row per item, and an edit switcher of the menus' edit height.
    TRC_RadioSwitcher* Radio(const char* name, const QString& caption, const char* mnemonic, const QStringList& items,
                             int columns = 1) {
        const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
        auto* sw = Add<TRC_RadioSwitcher>(name, caption, mnemonic, ButtonsHeight(rows));
        if (columns != 1) sw->SetColumns(columns);
        sw->SetItems(items);
        return sw;
    }
    TRC_EditSwitcher* Edit(const char* name, const QString& caption, const char* mnemonic) {
        return Add<TRC_EditSwitcher>(name, caption, mnemonic, EditHeight);
    }
    static constexpr int EditHeight = 40;

    // Where the next control goes; controls that take each other's place start from the same top.
    int Top() const { return Top_; }
    void MoveTo(int top) { Top_ = top; }
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

private:
    void Place(QWidget& w, int height) {
        w.setGeometry(Left, Top_, Width, height);
        Top_ += height + Gap_;
    }
    TRC_RightMenuPanel& Page_;
    int Top_;
    int Gap_;
};

// A hidden page of the side menu's default size; group: the page's setting group (none: the form's).
TRC_RightMenuPanel* NewMenuPage(QWidget* form, const char* name, const QString& caption, const char* group = nullptr);
// Retargets a switcher only when its setting changes, since retargeting rebinds at once.
void RetargetSwitcher(TRC_Switcher& sw, const std::string& mnemonic);

}  // namespace vt
