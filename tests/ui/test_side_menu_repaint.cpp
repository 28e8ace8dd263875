// The window at the scale of its environment; CTest runs these once more at 1.5 and at 2, the scale
// factors of today's laptops. The first window fits the screen's available area; side menus opened one
// after another are drawn whole: what the window shows of a slot (its backing store) is what a fresh
// drawing of the same menu gives, where a control that leaves device pixels unpainted keeps pieces of
// the menu before.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QImage>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "core/MenuKinds.h"
#include "ui/MainMenuButton.h"
#include "ui/MainLayout.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"

namespace vt {
namespace {

TSideMenuForm* LeftForm(TMorda_fr& m) {
    for (QWidget* w : m.findChildren<QWidget*>())
        if (auto* form = dynamic_cast<TSideMenuForm*>(w); form && form->isVisible() && form->Side == 1) return form;
    return nullptr;
}

// The runs at other scales write pictures of their own.
std::string ScaleSuffix() {
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    return scale.isEmpty() ? std::string() : "_x" + scale.toStdString();
}

// The device pixels wholly inside the rectangle, in the window's device pixels.
QRect DevicePixelsInside(const QRect& logical, qreal scale) {
    const int left = static_cast<int>(std::ceil(logical.left() * scale));
    const int top = static_cast<int>(std::ceil(logical.top() * scale));
    const int right = static_cast<int>(std::floor((logical.right() + 1) * scale));
    const int bottom = static_cast<int>(std::floor((logical.bottom() + 1) * scale));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// How many device pixels of the slot differ between the window as shown and a fresh drawing of it.
int StalePixels(TMorda_fr& m, const QRect& slot, QImage* shown, QImage* fresh) {
    const qreal scale = m.devicePixelRatioF();
    *fresh = m.grab().toImage();
    // What the window shows: its backing store, an image in device pixels on the offscreen platform.
    QBackingStore* store = m.backingStore();
    const auto* image = store ? dynamic_cast<const QImage*>(store->paintDevice()) : nullptr;
    if (!image) return -1;
    *shown = *image;
    const QRect device = DevicePixelsInside(slot, scale);
    if (!shown->rect().contains(device) || !fresh->rect().contains(device)) return -1;
    *shown = shown->copy(device).convertToFormat(QImage::Format_RGB32);
    *fresh = fresh->copy(device).convertToFormat(QImage::Format_RGB32);
    int stale = 0;
    for (int y = 0; y < device.height(); ++y)
        for (int x = 0; x < device.width(); ++x) stale += shown->pixel(x, y) != fresh->pixel(x, y);
    return stale;
}

// The first window and "Default Size" take the default client area shrunk to the screen's available
// area, never below the least size the window declares.
TEST(ScaledWindow, FirstWindowAndDefaultSizeFitTheScreen) {
    test::TProgramRig rig;
    QSize first, afterDefault, expected, expectedDefault, least;
    rig.Run(60000, 50, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        if (!m || !rig.Shell.AcqEnabled) return;
        const QSize area = m->screen()->availableGeometry().size();
        auto fitted = [](QSize room) {
            return QSize(std::max(LeastClientWidth, std::min(DefaultClientWidth, room.width())),
                         std::max(LeastClientHeight, std::min(DefaultClientHeight, room.height())));
        };
        // The first window is made before the window system gives it a frame; "Default Size" takes
        // the frame off the area.
        expected = fitted(area);
        first = m->size();
        least = m->minimumSize();
        m->resize(area + QSize(200, 200));
        expectedDefault = fitted(area - (m->frameGeometry().size() - m->size()));
        m->DefaultSizeAction().trigger();
        afterDefault = m->size();
        test::SaveScreenshot(*m, ("first_window" + ScaleSuffix() + ".png").c_str());
        m->close();
    });
    auto text = [](QSize s) { return std::to_string(s.width()) + " x " + std::to_string(s.height()); };
    EXPECT_EQ(text(first), text(expected)) << "the first window at scale" << ScaleSuffix();
    EXPECT_EQ(text(afterDefault), text(expectedDefault)) << "Default Size at scale" << ScaleSuffix();
    EXPECT_EQ(text(least), text(QSize(LeastClientWidth, LeastClientHeight)));
}

// Every menu of the main menu's enabled buttons, opened in the left slot after the one before it (the
// start's Channels menu first), while the demo acquires and the strip's values change.
TEST(ScaledWindow, EveryMenuOpenedAfterAnotherIsDrawnAsFresh) {
    test::TProgramRig rig;
    std::vector<int> kinds;
    std::size_t next = 0;
    bool pending = false;
    std::vector<std::string> stale;
    int compared = 0;
    rig.Run(120000, 50, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        if (!m || !rig.Shell.AcqEnabled || rig.Acquisitions() < 3) return;
        if (kinds.empty()) {
            // Both slots at their full height, whatever the screen.
            m->resize(DefaultClientWidth, DefaultClientHeight);
            for (int kind = 0; kind < MainMenuButtonCount; ++kind)
                if (m->GetMainMenuButton(kind).isEnabled() && kind != mkChannels) kinds.push_back(kind);
            kinds.push_back(mkChannels);
        }
        if (pending) {
            pending = false;
            TSideMenuForm* form = LeftForm(*m);
            if (!form) {
                stale.push_back(std::to_string(kinds[next - 1]) + ": no form in the left slot");
            } else {
                QImage shown, fresh;
                const QRect slot(form->mapTo(m, QPoint()), form->size());
                const int n = StalePixels(*m, slot, &shown, &fresh);
                ++compared;
                if (n != 0) {
                    const std::string name = form->objectName().toStdString();
                    stale.push_back(name + ": " + std::to_string(n) + " pixels");
                    shown.save(QString::fromStdString("stale_" + name + ScaleSuffix() + "_shown.png"));
                    fresh.save(QString::fromStdString("stale_" + name + ScaleSuffix() + "_fresh.png"));
                }
            }
        }
        if (next == kinds.size()) {
            test::SaveScreenshot(*m, ("side_menu_after_others" + ScaleSuffix() + ".png").c_str());
            m->close();
            return;
        }
        // One acquisition more between menus: the values they show go on changing.
        if (rig.Acquisitions() < 3 + static_cast<int>(next)) return;
        m->MouseDownOnButtonOfMainMenu(m->GetMainMenuButton(kinds[next++]), Qt::LeftButton);
        pending = true;
    });
    EXPECT_GE(compared, 10);
    EXPECT_EQ(compared, static_cast<int>(kinds.size()));
    EXPECT_TRUE(stale.empty()) << "at scale" << ScaleSuffix() << ": "
                               << ::testing::PrintToString(stale);
}

}  // namespace
}  // namespace vt
