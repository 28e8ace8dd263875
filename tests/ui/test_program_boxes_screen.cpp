// The program's boxes as a user sees them: centred over the main window, wherever that lies on the
// screen, with OK on a box of one button; under a real X server (the xcb platform) the screen holds
// each box as painted as its own image, also where it lies wholly inside the main window; each box takes
// the keyboard when it opens, also where no window manager hands it over.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPalette>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "ui/MainCommandsUi.h"
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

// Return gives a box's default answer and Escape its Cancel at once, while the window's own field had
// the keyboard when the box opened.
struct TBoxKeyRow {
    const char* Box;
    Qt::Key Key;
    const char* Answer;
};

TEST(ProgramBoxesScreen, ABoxTakesTheKeyboardWhenItOpensReturnForItsDefaultEscapeForCancel) {
    const std::vector<TBoxKeyRow> rows = {
        {"question", Qt::Key_Return, "OK"},       {"question", Qt::Key_Escape, "Cancel"},
        {"remote question", Qt::Key_Return, "OK"}, {"remote question", Qt::Key_Escape, "Cancel"},
        {"message", Qt::Key_Return, "closed"},    {"message", Qt::Key_Escape, "closed"},
        {"error question", Qt::Key_Return, "Yes"},
    };
    TMessageBoxDialogs dialogs([] { return true; });
    QWidget window;
    window.setGeometry(100, 100, 600, 400);
    auto* field = new QLineEdit(&window);
    window.show();
    for (const TBoxKeyRow& row : rows) {
        SCOPED_TRACE(std::string(row.Box) + " " + QKeySequence(row.Key).toString().toStdString());
        window.activateWindow();
        field->setFocus();
        ASSERT_TRUE(Settle([&] { return QApplication::focusWidget() == field; }));
        std::string answer;
        const std::string box = row.Box;
        const auto answered = [&answer](bool ok) { answer = ok ? "OK" : "Cancel"; };
        if (box == "question") dialogs.AskOkCancelLater(&window, "Calibrate?", answered);
        if (box == "remote question")
            dialogs.AskOkCancelForCommandLater(&window, "Connect the TDR step to the channel input and click OK.", answered);
        if (box == "message") dialogs.ShowErrorNonModal(&window, "Write Error to file \"a\"");
        if (box == "error question") dialogs.AskErrorYesNoNonModal(&window, "Continue?", [&answer] { answer = "No"; });
        QMessageBox* open = OpenBox();
        ASSERT_NE(open, nullptr);
        // The keys go where the keyboard is once the box has had time to take it.
        Settle([&] { return QApplication::focusWidget() && QApplication::focusWidget()->window() == open; }, 1000);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_EQ(focus->window(), open) << "the keyboard stays with " << focus->metaObject()->className();
        QTest::keyClick(focus, row.Key);
        Settle([&] { return !open->isVisible(); }, 1000);
        if (open->isVisible()) {
            ADD_FAILURE() << "the key left the box open";
            open->close();
        }
        QApplication::processEvents();
        if (box == "error question" && answer.empty()) answer = "Yes";
        if (box == "message") answer = "closed";
        Settle([&] { return !answer.empty(); }, 1000);
        EXPECT_EQ(answer, row.Answer);
    }
}

// The printer's setup holds no loop of its own: on a screen it opens and the call returns while it
// serves its user; where nobody sees it, it opens nothing and says so.
TEST(ProgramBoxesScreen, ThePrinterSetupReturnsAtOnceOpenOnAScreenRefusedWithoutOne) {
    TShell shell;
    test::TScriptedDialogs dialogs;
    TMainCommandsUi ui(shell, dialogs);
    // A modal loop inside the call would stop here: closed by this guard, and the test fails.
    bool closedByGuard = false;
    QTimer::singleShot(3000, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && test::VisibleWindow<QPrintDialog>()) {
            closedByGuard = true;
            modal->close();
        }
    });
    testing::internal::CaptureStderr();
    const bool shown = ui.PrinterSetup();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(closedByGuard) << "the setup ran a loop of its own";
    QPrintDialog* box = test::VisibleWindow<QPrintDialog>();
    if (NoVisibleScreen()) {
        EXPECT_FALSE(shown);
        EXPECT_EQ(box, nullptr);
        EXPECT_NE(log.find("veltrane: Print Setup -- Cancel (no screen to answer on)"), std::string::npos) << log;
        return;
    }
    EXPECT_TRUE(shown);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(ui.PrinterSetup()) << "a second request shows the same box";
    int boxes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) boxes += qobject_cast<QPrintDialog*>(w) && w->isVisible();
    EXPECT_EQ(boxes, 1);
    box->reject();
    ui.WindowGone();
}

}  // namespace
}  // namespace vt
