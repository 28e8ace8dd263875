// Renders a side-menu page with one button switcher of each kind to a PNG in the build folder, for a
// person to look at. The picture is compared with nothing; the test only checks that it was written
// and that the controls drew their states.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>

#include "core/EditHandlers.h"
#include "core/SourceHandlers.h"
#include "UiTestSupport.h"
#include "test_switcher_support.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/SourceSwitcher.h"

using namespace vt;
using namespace vt::test;

namespace {

TEST(ButtonScreenshot, SidePageWithEveryKindOfButtonSwitcher) {
    TKitFixture f;
    f.Tree->Root().AddRadioHandler("Acq:Mode", {.Items = "Sample,Average,Envelope,Peak,Hi-Res", .Initial = 1});
    f.Tree->Root().AddOnOffHandler("Acq:Hold", {.Initial = true});
    auto& set = f.Tree->Root().AddCheckHandler("Acq:Show", {.Items = "Ch 1,Ch 2,Math", .InitialMask = 0b101});
    set.SetDisabledMask(0b100);
    f.Tree->Root().AddOnOffHandler("Acq:Lock", {.Initial = true});
    f.Tree->Root().AddRightCommandHandler("Acq:Clear", [](THandler&) {});
    bool run = true;
    f.Tree->Root().AddMainCommandHandler("Acq:Run", {.Variable = &run});

    TKitHostWidget host(f.Kit);
    host.resize(240, 460);
    auto* page = new TRC_RightMenuPanel(&host);
    page->setGeometry(4, 4, 111, 426);
    page->SetCaption("Acquisition");
    page->SetGroupMnemonics("Acq");

    int top = 18;
    auto place = [&](TRC_Switcher* sw, const QString& caption, const char* mnemonic) {
        sw->move(4, top);
        sw->SetCaption(caption);
        if (mnemonic) sw->SetMnemonics(mnemonic);
        top += sw->height() + 4;
    };
    auto* radio = new TRC_RadioSwitcher(page);
    radio->SetItems({"Sample", "Average", "Envelope", "Peak", "Hi-Res"});
    radio->resize(103, 90);
    place(radio, "Mode", "Mode");
    auto* onOff = new TRC_OnOffSwitch(page);
    place(onOff, "Hold", "Hold");
    auto* check = new TRC_CheckSwitcher(page);
    check->SetItems({"Ch 1", "Ch 2", "Math"});
    check->SetColumns(3);
    check->SetViewAsButton(true);
    check->resize(103, 40);
    place(check, "Show", "Show");
    auto* lock = new TRC_OnOffCheckSwitcher(page);
    lock->resize(103, 18);
    place(lock, "", "Lock");
    lock->SetButtomsCaption("  Lock");
    place(new TRC_RightCommandSwitcher(page), "Clear", "Clear");
    auto* passive = new TRC_RightPassiveCommandSwitcher(page);
    place(passive, "Details", nullptr);
    auto* main = new TRC_MainCommandSwitcher(page);
    main->resize(60, 20);
    main->SetTextBtn("Run");
    main->SetColorOfText(QColor(0, 128, 0));
    place(main, "Run", "Run");

    // A second page with one value or list switcher of each kind.
    f.Kit.SourceItems.HighestIndex = 3;
    f.Kit.SourceItems.Captions = {"Ch1", "Ch2", "M1", "None"};
    f.Kit.SourceItems.ColorOf = [](int s) { return s == 0 ? TColor(0x00FFFF) : TColor(0xFFFF00); };
    f.Tree->SignalEnablity().SetSourceOnQuery([](int s) { return s < 2; });
    f.Tree->Root().AddDoubleEditHandler("Gen:Rate", {.Initial = 2.5e6, .Config = {.Maximum = 1e10, .Units = "Hz"}});
    auto& level = f.Tree->Root().AddDoubleEditHandler(
        "Gen:Level", {.Initial = 0.125, .Config = {.Minimum = -1, .Maximum = 1, .FineStep = 0.001,
                                                   .FineKind = skGrid, .Resolution = 1e-4, .Units = "V"}});
    level.SetHighlighted(true);
    f.Tree->Root().AddRadioHandler("Gen:Mode", {.Items = "A,AB,B", .Initial = 1});
    f.Tree->Root().AddSignalSourceHandler("Gen:Source", {.Items = "CH1,CH2,M1,NONE"});
    auto* values = new TRC_RightMenuPanel(&host);
    values->setGeometry(124, 4, 111, 426);
    values->SetCaption("Values");
    values->SetGroupMnemonics("Gen");
    top = 18;
    auto placeValue = [&](TRC_Switcher* sw, const QString& caption, const char* mnemonic) {
        sw->move(4, top);
        sw->SetCaption(caption);
        sw->SetMnemonics(mnemonic);
        top += sw->height() + 4;
    };
    placeValue(new TRC_LabelSwitcher(values), "Rate", "Rate");
    auto* edit = new TRC_EditSwitcher(values);
    placeValue(edit, "Level", "Level");
    auto* list = new TRC_ListBoxSwitcher(values);
    list->SetItems({"A", "AB", "B"});
    placeValue(list, "Mode", "Mode");
    auto* source = new TRC_SignalSourceSwitcher(values);
    placeValue(source, "Source", "Source");

    page->show();
    values->show();
    host.show();
    BindSwitchersOf(*page);
    BindSwitchersOf(*values);
    edit->SetFineMode(true);
    ASSERT_EQ(list->ItemIndex(), 1);
    ASSERT_EQ(source->List().currentIndex(), 0);
    ASSERT_EQ(radio->ItemIndex(), 1);
    ASSERT_EQ(main->Logic().State(0), cbsLatched);
    ASSERT_LE(top, 426);

    // In the application font every caption fits the room its control gives it.
    EXPECT_EQ(QApplication::font().family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(TextsThatDoNotFit(host), std::vector<std::string>{});

    const QImage shot = host.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString folder = QDir::current().absoluteFilePath("screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + "/button_switchers.png";
    ASSERT_TRUE(shot.save(file, "PNG"));
    EXPECT_TRUE(QImage(file).size() == shot.size());
    // The edit's value field shows the highlighted colours: red behind the text.
    const QRect field = edit->ValueField().translated(edit->mapTo(&host, QPoint(0, 0)));
    EXPECT_EQ(QColor(shot.pixel(field.right() - 3, field.center().y())), QColor(Qt::red));
    // The picture is not one plain colour.
    const QRgb first = shot.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < shot.height() && !varied; y += 3)
        for (int x = 0; x < shot.width() && !varied; x += 3) varied = shot.pixel(x, y) != first;
    EXPECT_TRUE(varied);
}

}  // namespace
