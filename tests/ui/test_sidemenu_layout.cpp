// Every side-menu form of the demo program, page by page, as a user opens them: no switcher is lower
// than its kind, stands outside its page, covers a sibling or draws part of its content outside its
// room, in the states that show other controls too; every item, button and list text is drawn whole at
// the application font's one size; in the lowest slot the window's layout gives, every item can be scrolled
// into view beside a scroll bar a user sees. Each form's pages go side by side into one PNG in the
// build folder for a person to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <QTimer>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "test_switcher_support.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenu.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/ColorComboBox.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {
namespace {

// The form's pages side by side, in the order the form made them.
QImage PagesSideBySide(TSideMenuForm& form) {
    const std::vector<TRC_RightMenuPanel*> pages = form.Pages();
    QImage sheet(static_cast<int>(pages.size()) * (SideMenuPageWidth + 4), SideMenuPageHeight, QImage::Format_RGB32);
    sheet.fill(Qt::darkGray);
    QPainter p(&sheet);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        form.ShowPanel(pages[i]);
        p.drawPixmap(static_cast<int>(i) * (SideMenuPageWidth + 4), 0, pages[i]->grab());
    }
    return sheet;
}

// Chooses item index of the radio or list switcher name on the form, as a click would.
void Choose(TSideMenuForm& form, const char* name, int index) {
    TRC_Switcher* sw = nullptr;
    for (QWidget* child : form.findChildren<QWidget*>(name)) sw = sw ? sw : dynamic_cast<TRC_Switcher*>(child);
    ASSERT_NE(sw, nullptr) << name;
    auto* handler = dynamic_cast<TRadioSwHandler*>(sw->GetHandler());
    ASSERT_NE(handler, nullptr) << name;
    handler->SetItemIndexFromSwitcher(index);
}

// The lowest side-menu slot of a window the layout still gives its strips: 151 pixels high.
TPlace LowestSlot() { return CaptionedSlots(ComputeMainLayout(DefaultClientWidth, 151, 64))[RightSide]; }

// Every text below the page whose font, as it is drawn, is not of the application font's pixel size.
std::vector<std::string> TextsOfAnotherSize(const QWidget& page) {
    const int size = QFontInfo(QApplication::font()).pixelSize();
    std::vector<std::string> other;
    auto check = [&](const QWidget& w, const QFont& font, const QString& text) {
        const int drawn = QFontInfo(font).pixelSize();
        if (drawn != size)
            other.push_back(w.objectName().toStdString() + " \"" + text.toStdString() + "\" " + std::to_string(drawn) +
                            " px, not " + std::to_string(size));
    };
    for (const QWidget* w : page.findChildren<QWidget*>()) {
        if (const auto* b = dynamic_cast<const TMyGridButton*>(w)) check(*b, b->CaptionFont(), b->Caption());
        if (const auto* b = qobject_cast<const QPushButton*>(w)) check(*b, b->font(), b->text());
        if (const auto* l = qobject_cast<const QLabel*>(w)) check(*l, l->font(), l->text());
        if (const auto* list = dynamic_cast<const TColorComboBox*>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(list);
            const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, list);
            for (int i = 0; i < list->count(); ++i)
                check(*list, FittedFont(list->font(), list->itemText(i), field.width() - 2), list->itemText(i));
        }
    }
    return other;
}

// The places a user reaches one by one: each row of a grid, every other switcher, button and label.
std::vector<QWidget*> ItemsOf(TRC_RightMenuPanel& page) {
    std::vector<QWidget*> items;
    for (QWidget* w : page.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&page) || dynamic_cast<TRC_PolyButtonSwitcher*>(w)) continue;
        const bool ownPlace = w->parentWidget() == &page || dynamic_cast<TMyGridButton*>(w);
        if (ownPlace) items.push_back(w);
    }
    return items;
}

// The colours of the scroll bar's handle and of its groove below the handle, as it is drawn.
std::pair<QColor, QColor> HandleAndGroove(QScrollBar& bar) {
    QStyleOptionSlider opt;
    opt.initFrom(&bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = Qt::Vertical;
    opt.minimum = bar.minimum();
    opt.maximum = bar.maximum();
    opt.sliderPosition = opt.sliderValue = bar.value();
    opt.singleStep = bar.singleStep();
    opt.pageStep = bar.pageStep();
    const QRect handle = bar.style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, &bar);
    const QRect below = bar.style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddPage, &bar);
    const QImage image = bar.grab().toImage();
    return {image.pixelColor(handle.center()), image.pixelColor(below.center())};
}

struct TWalk {
    TShell& Shell;
    std::vector<std::string> Wrong;
    std::vector<std::string> Values;
    std::vector<std::string> Sizes;
    std::vector<std::string> Unreachable;
    std::vector<std::string> Forms;

    // In the lowest slot every item of every page can be scrolled wholly into the form's view, and
    // the scroll bar's handle stands out from its groove.
    void CheckReach(TSideMenus& menus, int side, const std::string& who) {
        TSideMenuForm* form = menus.Form(side);
        const TPlace usual = menus.Dimensions(side).Place();
        menus.Dimensions(side).SetPlace(LowestSlot());
        for (TRC_RightMenuPanel* page : form->Pages()) {
            form->ShowPanel(page);
            const std::string where = who + " / " + page->objectName().toStdString();
            QScrollBar* bar = form->ScrollBar();
            const bool scrolls = bar && bar->isVisibleTo(form) && bar->maximum() > 0;
            for (QWidget* item : ItemsOf(*page)) {
                const QRect inPage(item->mapTo(page, QPoint(0, 0)), item->size());
                if (scrolls) bar->setValue(std::min(inPage.top(), bar->maximum()));
                const QRect inForm(page->mapTo(form, inPage.topLeft()), inPage.size());
                if (!form->rect().contains(inForm))
                    Unreachable.push_back(where + " / " + item->objectName().toStdString() + " at " +
                                          std::to_string(inPage.top()) + ".." + std::to_string(inPage.bottom()));
            }
            if (scrolls) {
                bar->setValue(0);
                const auto [handle, groove] = HandleAndGroove(*bar);
                if (ContrastRatio(handle, groove) < 3)
                    Unreachable.push_back(where + ": the scroll bar's handle " + handle.name().toStdString() +
                                          " hardly shows on its groove " + groove.name().toStdString());
            }
        }
        menus.Dimensions(side).SetPlace(usual);
    }

    // Checks every page of the form in the slot; state names the settings it was opened with.
    void CheckPages(TSideMenus& menus, int side, const std::string& state) {
        TSideMenuForm* form = menus.Form(side);
        if (!form) return;
        const std::string who = form->objectName().toStdString() + (state.empty() ? "" : " (" + state + ")");
        Forms.push_back(who);
        const QImage sheet = PagesSideBySide(*form);
        std::string file = form->objectName().toStdString() + (state.empty() ? "" : "_" + state);
        for (char& c : file)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        const QString folder = QDir::current().absoluteFilePath("screenshots");
        QDir().mkpath(folder);
        EXPECT_TRUE(sheet.save(folder + "/sidemenu_" + QString::fromStdString(file) + ".png", "PNG")) << file;
        for (TRC_RightMenuPanel* page : form->Pages()) {
            form->ShowPanel(page);
            for (const std::string& w : test::SwitchersNotWhole(*page))
                Wrong.push_back(who + " / " + page->objectName().toStdString() + " / " + w);
            for (const std::string& w : test::ValuesNotWhole(*page))
                Values.push_back(who + " / " + page->objectName().toStdString() + " / " + w);
            for (const std::string& w : TextsOfAnotherSize(*page))
                Sizes.push_back(who + " / " + page->objectName().toStdString() + " / " + w);
            for (const std::string& w : test::TextsThatDoNotFit(*page))
                Sizes.push_back(who + " / " + page->objectName().toStdString() + " / cut: " + w);
        }
        CheckReach(menus, side, who);
    }

    void Run(TSideMenus& menus) {
        for (int kind = 0; kind < MenuKindCount; ++kind) {
            if (!menus.HasForm(kind)) continue;
            menus.ShowSideMenu(kind, RightSide);
            CheckPages(menus, RightSide, "");
        }
        // The channels menu lays out its left-hand form of its own.
        menus.ShowSideMenu(mkChannels, LeftSide);
        CheckPages(menus, LeftSide, "left");

        // Controls that take each other's place: the demo signal's TDR and TDT, the pattern
        // generator's length, the manufacturer's adjustment values of each channel group.
        menus.ShowSideMenu(mkSimGenerator, RightSide);
        if (TSideMenuForm* gss = menus.Form(RightSide)) {
            Choose(*gss, "swWaveform", 3);
            CheckPages(menus, RightSide, "TDR");
            Choose(*gss, "swWaveform", 4);
            CheckPages(menus, RightSide, "TDT");
            Choose(*gss, "swWaveform", 0);
        }
        menus.ShowSideMenu(mkGenerators, RightSide);
        if (TSideMenuForm* gen = menus.Form(RightSide)) {
            Choose(*gen, "rswMode", 4);
            CheckPages(menus, RightSide, "NRZ");
            Choose(*gen, "rswMode", 0);
        }
        Shell.ServiceAccess = true;
        menus.ShowSideMenu(mkAdjustment, RightSide);
        if (TSideMenuForm* adjust = menus.Form(RightSide)) {
            CheckPages(menus, RightSide, "manufacturer full BW");
            Choose(*adjust, "swChannelAndBW", 2);
            CheckPages(menus, RightSide, "manufacturer narrow BW");
            Choose(*adjust, "swChannelAndBW", 0);
        }
        Shell.ServiceAccess = false;
        menus.ShowSideMenu(mkNone, RightSide);
        menus.ShowSideMenu(mkNone, LeftSide);
    }
};

// A page too tall for its gaps: the gaps shrink and no control does; controls that take each other's
// place follow, and what comes after them starts below the taller one.
TEST(SideMenuLayout, ATallPageShrinksItsGapsNeverAControl) {
    test::TKitFixture f;
    test::TKitHostWidget host(f.Kit);
    TRC_RightMenuPanel* page = NewMenuPage(&host, "rmpTall", "Tall");
    std::vector<TRC_EditSwitcher*> edits;
    TRC_RightCommandSwitcher* command = nullptr;
    TRC_RadioSwitcher* radio = nullptr;
    {
        TPageStacker stack(*page, 18, 3);
        // Asked lower than its kind: placed at its kind's height.
        edits.push_back(stack.Adopt(new TRC_EditSwitcher(page), "edsw0", "EDIT", nullptr, 30));
        for (int i = 1; i < 5; ++i) edits.push_back(stack.Edit(("edsw" + std::to_string(i)).c_str(), "EDIT", nullptr));
        const TStackTop alternatives = stack.Top();
        command = stack.Adopt(new TRC_RightCommandSwitcher(page), "cswShort", "Short", nullptr, 30);
        const TStackTop belowCommand = stack.Top();
        stack.MoveTo(alternatives);
        radio = stack.Radio("rswTall", "Tall", nullptr, {"A", "B", "C", "D"});
        stack.MoveTo(stack.Lower(belowCommand, stack.Top()));
        for (int i = 5; i < 7; ++i) edits.push_back(stack.Edit(("edsw" + std::to_string(i)).c_str(), "EDIT", nullptr));
    }
    // 18 + 7 edits of 49 + the radio's 86 = 447 pixels and 7 gaps in 458 rows: the gaps become 1.
    EXPECT_EQ(command->height(), TRC_RightCommandSwitcher::RightCommandHeight);
    EXPECT_EQ(radio->height(), TPageStacker::ButtonsHeight(4));
    EXPECT_EQ(command->y(), radio->y());
    EXPECT_EQ(edits.front()->y(), 18);
    for (std::size_t i = 0; i < edits.size(); ++i) {
        EXPECT_EQ(edits[i]->height(), TRC_LabelSwitcher::DefaultHeight) << i;
        if (i == 0) continue;
        const QWidget* above = i == 5 ? static_cast<QWidget*>(radio) : edits[i - 1];
        EXPECT_EQ(edits[i]->y(), above->geometry().bottom() + 2) << i;
    }
    EXPECT_EQ(edits.back()->geometry().bottom(), 447 + 7 - 1);
    // The grids lay their rows out when the page shows.
    page->show();
    host.show();
    command->hide();
    EXPECT_EQ(test::SwitchersNotWhole(*page), std::vector<std::string>{});
    // The other alternative shows: the radio's place was the taller.
    command->show();
    radio->hide();
    EXPECT_EQ(test::SwitchersNotWhole(*page), std::vector<std::string>{});
}

TEST(SideMenuLayout, EverySwitcherOfEveryPageIsDrawnWhole) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;

    TWalk walk{shell, {}, {}, {}, {}, {}};
    bool walked = false;
    rig.Run(60000, 50, [&] {
        if (!shell.AcqEnabled || walked) return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* m = dynamic_cast<TMorda_fr*>(w);
            if (!m || !m->isVisible()) continue;
            // The forms have no meta-object of their own: find them among all widgets.
            TSideMenuForm* open = nullptr;
            for (QWidget* child : m->findChildren<QWidget*>())
                if (auto* form = dynamic_cast<TSideMenuForm*>(child)) open = form;
            if (!open) return;
            walked = true;
            walk.Run(open->Menus());
            m->close();
        }
    });
    ASSERT_TRUE(walked);
    // Every form of the program, and the states that show other controls.
    EXPECT_GE(walk.Forms.size(), 19u);
    // Each kind of finding, listed whole where there is any.
    for (const std::vector<std::string>* found : {&walk.Wrong, &walk.Values, &walk.Sizes, &walk.Unreachable}) {
        std::string all;
        for (const std::string& w : *found) all += w + "\n";
        EXPECT_TRUE(found->empty()) << all;
    }
}

}  // namespace
}  // namespace vt
