#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QWidget>
#include <filesystem>

#include "UiTestSupport.h"
#include "core/Color.h"
#include "core/temp_folder.h"
#include "ui/HelpViewer.h"
#include "ui/OwnVersion.h"
#include "ui/ScreenCapture.h"
#include "ui/controls/ButtonSwitchers.h"

using namespace vt;

namespace {

// A black window with a red square at (10, 10) and a display area from (5, 5) to (44, 24).
struct TColouredWindow {
    TColouredWindow() {
        Window.setFixedSize(80, 40);
        Window.setAutoFillBackground(true);
        Window.setStyleSheet(QStringLiteral("background: black;"));
        Red = new QWidget(&Window);
        Red->setGeometry(10, 10, 4, 4);
        Red->setStyleSheet(QStringLiteral("background: #ff0000;"));
        Window.show();
    }
    QWidget Window;
    QWidget* Red = nullptr;
    QRect Area{5, 5, 40, 20};
};

TColor At(const QImage& image, int x, int y) { return TColor::FromPixel(image.pixel(x, y)); }

}  // namespace

TEST(ScreenCapture, KindsTwoToFiveAndTheClipboard) {
    TColouredWindow w;
    const QImage client = CaptureBitmap(w.Window, 2, w.Area, clBlack);
    ASSERT_EQ(client.size(), QSize(80, 40));
    EXPECT_EQ(At(client, 11, 11), TColor(0x0000FF));
    EXPECT_EQ(At(client, 1, 1), clBlack);

    const QImage inverted = CaptureBitmap(w.Window, 3, w.Area, clBlack);
    EXPECT_EQ(At(inverted, 6, 6), clWhite) << "black turns white inside the display area";
    EXPECT_EQ(At(inverted, 11, 11), TColor(0xFFFF00)) << "red turns cyan";
    EXPECT_EQ(At(inverted, 1, 1), clBlack) << "outside the display area nothing changes";

    const QImage scope = CaptureBitmap(w.Window, 4, w.Area, clBlack);
    ASSERT_EQ(scope.size(), QSize(40, 20));
    EXPECT_EQ(At(scope, 6, 6), TColor(0x0000FF));
    const QImage invScope = CaptureBitmap(w.Window, 5, w.Area, clBlack);
    EXPECT_EQ(At(invScope, 6, 6), TColor(0xFFFF00));
    EXPECT_EQ(At(invScope, 0, 0), clWhite);
    EXPECT_EQ(CaptureBitmap(w.Window, 4, QRect(), clBlack).size(), QSize(80, 40)) << "no panel: the whole window";

    EXPECT_EQ(CaptureBitmap(w.Window, 1, w.Area, clBlack).size(), QSize(80, 40)) << "offscreen: the window's image";
    EXPECT_TRUE(CaptureBitmap(w.Window, 6, w.Area, clBlack).isNull());

    ASSERT_TRUE(CopyScreenToClipboard(w.Window, 5, w.Area, clBlack));
    const QImage held = QApplication::clipboard()->image();
    ASSERT_EQ(held.size(), QSize(40, 20));
    EXPECT_EQ(At(held, 6, 6), TColor(0xFFFF00));
}

TEST(Help, PagesByContextAndWhatIsMissing) {
    test::TempFolder temp;
    const std::string helpFile = (temp / "Help" / "index.html").string();
    test::TScriptedDialogs dialogs;
    std::vector<QUrl> opened;
    bool browser = true;
    THelpViewer viewer(helpFile, dialogs, [&](const QUrl& url) {
        opened.push_back(url);
        return browser;
    });

    viewer.ShowHelpContext(1);
    EXPECT_EQ(dialogs.Asked, (std::vector<std::string>{
                                 "Error: Error opening Veltrane Help. May be help file is not found."}));
    InstallHelpPages(helpFile);
    ASSERT_TRUE(std::filesystem::exists(temp / "Help" / "1409.html"));
    viewer.ShowHelpContext(1);
    viewer.ShowHelpContext(117);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(helpFile)));
    EXPECT_EQ(opened[1].toLocalFile().toStdString(), (temp / "Help" / "117.html").string());
    viewer.ShowHelpContext(4242);
    EXPECT_EQ(dialogs.Asked.back(), "Error: Unable to show help for context 4242");
    browser = false;
    viewer.ShowHelpContext(1409);
    EXPECT_EQ(dialogs.Asked.size(), 3u) << "no browser: a message of its own";

    // A page the user changed is kept.
    std::filesystem::resize_file(temp / "Help" / "117.html", 3);
    InstallHelpPages(helpFile);
    EXPECT_EQ(std::filesystem::file_size(temp / "Help" / "117.html"), 3u);
}

TEST(Help, ContextHelpClickOnARadioSwitchersChild) {
    QWidget form;
    form.resize(200, 200);
    auto* panel = new TRC_RightMenuPanel(&form);
    panel->setGeometry(0, 0, 150, 150);
    panel->SetHelpContext(7);
    auto* sw = new TRC_RadioSwitcher(panel);
    sw->setGeometry(10, 10, 103, 100);
    sw->SetItems({"A", "B", "C"});
    sw->SetHelpContext(117);
    sw->SetHelpSeparate(true);
    form.show();
    QWidget& child = sw->Button(2);
    EXPECT_EQ(FindControlAtPoint(form, child.mapToGlobal(QPoint(2, 2))), 120) << "the third child of 117";
    EXPECT_EQ(FindControlAtPoint(form, panel->mapToGlobal(QPoint(140, 140))), 7) << "the nearest parent's";
    EXPECT_EQ(FindControlAtPoint(form, form.mapToGlobal(QPoint(190, 190))), 0);
}

TEST(OwnVersion, FourParts) {
    EXPECT_EQ(FourPartVersion("0.1.0"), "0.1.0.0");
    EXPECT_EQ(FourPartVersion("2"), "2.0.0.0");
    EXPECT_EQ(FourPartVersion("1.2.3.4.5"), "1.2.3.4");
    EXPECT_EQ(GetOwnFileVersion(), FourPartVersion(VT_VERSION));
}
