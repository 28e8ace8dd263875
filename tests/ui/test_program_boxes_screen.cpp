// The program's boxes as a user sees them: centred over the main window, wherever that lies on the
// screen, with OK on a box of one button; under a real X server (the xcb platform) the screen holds
// each box as painted as its own image, also where it lies wholly inside the main window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPalette>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

#include "UiTestSupport.h"
#include "core/MenuKinds.h"
#include "ui/MainWindow.h"
#include "ui/SideMenu.h"
#include "ui/UserDialogs.h"
#include "ui/controls/CommandSwitchers.h"

namespace vt {
namespace {

QMessageBox* OpenBox() { return test::VisibleWindow<QMessageBox>(); }

// Events until done() holds, for at most about ms.
template <class Done>
bool Settle(Done done, int ms = 5000) {
    return test::RunLoopUntil(done, ms);
}

// The share of the pixels of a that differ from b by more than a little in a channel.
double DifferingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c) {
            const QRgb p = x.pixel(c, r), q = y.pixel(c, r);
            differing += std::abs(qRed(p) - qRed(q)) > 8 || std::abs(qGreen(p) - qGreen(q)) > 8 ||
                         std::abs(qBlue(p) - qBlue(q)) > 8;
        }
    return static_cast<double>(differing) / (x.width() * x.height());
}

TEST(ProgramBoxesScreen, BoxesStandCentredOverTheMainWindowPaintedOnTheScreenWithOkForOneButton) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // The main window off the screen's centre, large enough to hold the box wholly.
    QWidget window;
    window.setAutoFillBackground(true);
    window.setPalette(QPalette(QColor(0, 40, 40)));
    window.setGeometry(screen.x(), screen.y(), screen.width() * 2 / 3, screen.height() * 2 / 3);
    window.show();
    ASSERT_TRUE(Settle([&] { return window.isVisible(); }));
    const bool xcb = QGuiApplication::platformName() == QLatin1String("xcb");
    // Qt allows for a title bar when it centres a dialog, though no window manager may draw one.
    const auto centredOverWindow = [&](const QWidget& box) {
        const QPoint off = box.frameGeometry().center() - window.frameGeometry().center();
        return std::abs(off.x()) <= window.width() / 16 && std::abs(off.y()) <= window.height() / 16;
    };

    TMessageBoxDialogs dialogs([] { return true; });
    const QString text = QStringLiteral("Inverse FFT needs a spectrum, but Ch1 is not a spectrum");
    ASSERT_TRUE(dialogs.ShowErrorNonModal(&window, text));
    QMessageBox* box = OpenBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(Settle([&] { return box->isVisible() && box->windowHandle() && box->windowHandle()->isExposed(); }));
    QApplication::processEvents();
    EXPECT_TRUE(centredOverWindow(*box)) << "box at " << box->frameGeometry().center().x() << ","
                                         << box->frameGeometry().center().y();
    EXPECT_TRUE(window.frameGeometry().contains(box->frameGeometry()));
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    if (xcb) {
        // The screen's own pixels under the box, read through the root window, against its image.
        const QImage own = box->grab().toImage();
        double share = 1;
        QImage root;
        Settle([&] {
            root = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            share = DifferingShare(root.copy(box->geometry()), own);
            return share < 0.02;
        });
        EXPECT_LT(share, 0.02) << "the screen under the box differs from its image";
        root.save(QStringLiteral("program_box_root.png"));
    }
    box->close();

    // A box of one button the user is to acknowledge: OK, over its window.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QMessageBox* shown = OpenBox();
        if (!shown) return;
        seen = true;
        EXPECT_EQ(shown->standardButtons(), QMessageBox::Ok);
        EXPECT_TRUE(centredOverWindow(*shown));
        shown->button(QMessageBox::Ok)->click();
    });
    dialogs.ShowError(&window, QStringLiteral("Error opening Veltrane Help. May be help file is not found."));
    EXPECT_TRUE(seen);
}

// The boxes the window's own buttons and menus open in the running program, each over the main window
// wherever that stands: smaller than the screen and at its corner, so that a box centred on the screen
// instead is seen.
TEST(ProgramBoxesScreen, BoxesOfTheWindowsButtonsAndMenusStandCentredOverTheMainWindow) {
    struct TBoxRow {
        const char* Name;
        const char* Kind;  // the class of the box
        int Menu;          // the side menu that holds the control, or -1: the window's top strip
        const char* Control;
    };
    const std::vector<TBoxRow> rows = {
        // No default setup saved yet on a fresh data root: its error box.
        {"Default Setup", "QMessageBox", -1, "mcsDefaultSetup"},
        {"Save Setup", "QFileDialog", mkSaveRecall, "swSaveSetup"},
        {"Recall Setup", "QFileDialog", mkSaveRecall, "swRecallSetup"},
    };
    TMessageBoxDialogs dialogs([] { return true; });
    test::TProgramRig rig({.OwnDialogs = &dialogs});
    std::vector<std::string> seen;
    bool placed = false;
    rig.Run(120000, 20, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        if (!m || !rig.Acquiring()) return;
        const QRect screen = m->screen()->availableGeometry();
        if (!placed) {
            placed = true;
            m->setGeometry(screen.x(), screen.y(), screen.width() * 3 / 4, screen.height() * 3 / 4);
            return;
        }
        TSideMenus* menus = nullptr;
        for (QWidget* child : m->findChildren<QWidget*>())
            if (auto* form = dynamic_cast<TSideMenuForm*>(child)) menus = &form->Menus();
        if (!menus) return;
        for (const TBoxRow& row : rows) {
            SCOPED_TRACE(row.Name);
            if (row.Menu >= 0) menus->ShowSideMenu(row.Menu, RightSide);
            auto* control = m->findChild<TRC_CustomCmmandSwitcher*>(QLatin1String(row.Control));
            ASSERT_NE(control, nullptr);
            // The box is looked at from inside its own loop and closed there.
            QString kind;
            QRect box;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                QWidget* open = QApplication::activeModalWidget();
                if (!open || !open->isVisible()) return;
                poll.stop();
                kind = QString::fromLatin1(open->metaObject()->className());
                box = open->frameGeometry();
                open->close();
            });
            poll.start(20);
            control->Click();
            poll.stop();
            EXPECT_EQ(kind.toStdString(), row.Kind);
            const QPoint off = box.center() - m->frameGeometry().center();
            // Qt allows for a title bar when it centres a dialog, though no window manager may draw one.
            EXPECT_LE(std::abs(off.x()), m->width() / 16) << "box " << box.x() << "," << box.y() << " " << box.width()
                                                          << "x" << box.height();
            EXPECT_LE(std::abs(off.y()), m->height() / 16) << "box " << box.x() << "," << box.y();
            seen.push_back(row.Name);
        }
        test::CloseMainWindows();
    });
    EXPECT_EQ(seen.size(), rows.size());
}

}  // namespace
}  // namespace vt
