// The value fields a user reads most, on the demo with its generators: the quick-control strip and the
// channel and timebase menus, in every unit their settings take (volts, watts through an attenuator,
// reflection and impedance, seconds and bits, the internal clock's rate). Each field holds the widest
// value of its setting at the application font, and the strip's controls stay inside the strip of a
// window of the default size, side by side.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "../core/comma_locale.h"
#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "ui/MainBlock.h"
#include "ui/MainLayout.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenu.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LabelSwitcher.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/Switcher.h"

namespace vt {
namespace {


TEST(ValueFieldsDemo, EveryFieldHoldsItsWidestValueInEveryUnit) {
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT)});
    TShell& shell = rig.Shell;
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };

    // Each state names the settings that bring its units.
    const std::vector<std::pair<std::string, std::vector<const char*>>> states = {
        {"volts and seconds", {}},
        {"bits", {"TB:Units Bit"}},
        {"watts through 1e6:1",
         {"TB:Units Time", "Ch1:Atten:Unit Ratio", "Ch1:Atten:Ratio 1000000", "Ch1:Atten:Dimens Watt"}},
        {"amperes through -80 dB", {"Ch2:Atten:Unit DB", "Ch2:Atten:DB -80", "Ch2:Atten:Dimens Ampere"}},
        {"internal clock", {"Trig:Source IntClock"}},
        {"reflection", {"Ch1:Atten:Unit Off", "TDR:Mode TDR", "TDR:Ch1:Destination G1", "TDR:Ch1:VertScale Rho"}},
        {"impedance", {"TDR:Ch1:VertScale Ohm"}},
    };
    std::vector<std::string> wrong;
    std::vector<std::string> seen;
    bool done = false;
    rig.Run(60000, 50, [&] {
        if (!shell.AcqEnabled || done) return;
        TMorda_fr* m = test::ShownMainWindow();
        TSideMenuForm* open = nullptr;
        if (m)
            for (QWidget* child : m->findChildren<QWidget*>())
                if (auto* form = dynamic_cast<TSideMenuForm*>(child)) open = form;
        if (!open) return;
        done = true;
        m->resize(DefaultClientWidth, DefaultClientHeight);
        QCoreApplication::processEvents();
        QWidget& strip = m->PermanentControls();
        TSideMenus& menus = open->Menus();
        std::function<void(const std::string&, const std::vector<std::string>&)> noteLast;
        for (const auto& [state, lines] : states) {
            for (const char* line : lines) run(line);
            menus.ShowSideMenu(mkChannels, LeftSide);
            menus.ShowSideMenu(mkTimebase, RightSide);
            QCoreApplication::processEvents();
            auto note = [&](const std::string& where, const std::vector<std::string>& found) {
                for (const std::string& f : found) wrong.push_back(state + " / " + where + " / " + f);
            };
            noteLast = note;
            note("strip", test::ValuesNotWhole(strip));
            for (int side : {LeftSide, RightSide})
                if (TSideMenuForm* form = menus.Form(side))
                    for (TRC_RightMenuPanel* page : form->Pages())
                        note(form->objectName().toStdString(), test::ValuesNotWhole(*page));
            // The units really changed: the strip's channel 1 scale as it stands.
            for (const char* name : {"edswCh1Scale", "edswTBScaleA"})
                if (auto* label = dynamic_cast<TRC_LabelSwitcher*>(strip.findChild<QWidget*>(QLatin1String(name))))
                    seen.push_back(label->ValueText().toStdString());
        }
        // Inside the strip and side by side, at the default size and in narrower windows, where the strip
        // is narrower than its fields' widest values (641 pixels: both side menus beside it); each field
        // shows the value it holds now whole at the application font.
        const QFontMetrics metrics(QApplication::font());
        auto checkStrip = [&](const std::string& where) {
            std::vector<QRect> placed;
            for (QObject* child : strip.children()) {
                auto* w = qobject_cast<QWidget*>(child);
                if (!w || !w->isVisibleTo(&strip)) continue;
                if (!strip.rect().contains(w->geometry()))
                    wrong.push_back(where + w->objectName().toStdString() + " outside the strip's " +
                                    std::to_string(strip.width()) + " x " + std::to_string(strip.height()) + " pixels");
                for (const QRect& other : placed)
                    if (other.intersects(w->geometry()))
                        wrong.push_back(where + w->objectName().toStdString() + " overlaps");
                placed.push_back(w->geometry());
                if (auto* field = dynamic_cast<TRC_LabelSwitcher*>(w)) {
                    const int room = field->ValueField().width() - 5;  // the text's margins in its field
                    if (metrics.horizontalAdvance(field->ValueText()) > room)
                        wrong.push_back(where + w->objectName().toStdString() + " cuts or narrows \"" +
                                        field->ValueText().toStdString() + "\" into " + std::to_string(room));
                }
                if (auto* list = dynamic_cast<TRC_ListBoxSwitcher*>(w)) {
                    QStyleOptionComboBox opt;
                    opt.initFrom(&list->List());
                    const int room = list->List()
                                         .style()
                                         ->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, &list->List())
                                         .width() - 2;
                    if (metrics.horizontalAdvance(list->List().currentText()) > room)
                        wrong.push_back(where + w->objectName().toStdString() + " cuts \"" +
                                        list->List().currentText().toStdString() + "\" into " + std::to_string(room));
                }
            }
        };
        for (const QSize size : {QSize(DefaultClientWidth, DefaultClientHeight), QSize(700, 560), QSize(641, 575),
                                 QSize(640, 480)}) {
            m->resize(size);
            QCoreApplication::processEvents();
            checkStrip("strip at " + std::to_string(size.width()) + " / ");
            if (size.width() == DefaultClientWidth) noteLast("strip at the default size", test::ValuesNotWhole(strip));
            else if (size.width() == 640) test::SaveScreenshot(*m, "value_fields_640x480.png");
            else if (size.width() == 641) test::SaveScreenshot(*m, "value_fields_641x575.png");
        }
        // Long values side by side (a reflection scale, a timebase scale with six digits, a channel in
        // millivolts) at every width from the default down to the window's least width, beside the
        // left side menu: where two rows cannot hold them the strip takes two more from the display,
        // and gives them back at the default size.
        for (const char* line : {"TDR:Ch1:VertScale Rho", "Ch1:RhoScale 0.08889", "Ch2:Scale 0.1692", "TB:ScaleA 1.70667E-9", "Trig:ExtLevel 0.047"})
            run(line);
        const int usualHeight = strip.height();
        int stackedAt = 0;
        for (int width = DefaultClientWidth; width >= LeastClientWidth; width -= 2) {  // the least width too
            m->resize(width, DefaultClientHeight);
            QCoreApplication::processEvents();
            checkStrip("long values at " + std::to_string(width) + " / ");
            if (strip.height() > usualHeight && stackedAt == 0) {
                stackedAt = width;
                test::SaveScreenshot(*m, "value_fields_stacked.png");
            }
            const QWidget* panel = m->findChild<QWidget*>(QStringLiteral("DisplayPanel"));
            if (panel && panel->geometry().bottom() >= strip.geometry().top())
                wrong.push_back("the display reaches into the strip at " + std::to_string(width));
        }
        EXPECT_GT(stackedAt, 0) << "the long values never needed the stacked strip";
        m->resize(DefaultClientWidth, DefaultClientHeight);
        QCoreApplication::processEvents();
        EXPECT_EQ(strip.height(), usualHeight);
        checkStrip("long values back at the default size / ");
        QCoreApplication::processEvents();
        test::SaveScreenshot(*m, "value_fields_impedance.png");
        run("TDR:Mode Off");
        m->close();
    });
    ASSERT_TRUE(done);
    std::string all;
    for (const std::string& w : wrong) all += w + "\n";
    EXPECT_TRUE(wrong.empty()) << all;
    // Channel 1's scale and the timebase's scale in each state, as units the settings really took.
    std::string shown;
    for (const std::string& s : seen) shown += s + " | ";
    EXPECT_NE(shown.find("Bit/div"), std::string::npos) << shown;
    EXPECT_NE(shown.find("W/div"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Rho/div"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Ohm/div"), std::string::npos) << shown;
}

// A comma typed into a value field is its decimal point, in the quick strip and in the Channels menu,
// whatever the locale; a command line keeps the point alone.
TEST(ValueFieldsDemo, ACommaTypedIsTheDecimalPointInEveryLocale) {
    struct TTypedRow {
        const char* Field;
        const char* Typed;
        const char* Reply;  // of "CH1:OFFSET?" then
    };
    const std::vector<TTypedRow> rows = {
        {"edswCh1Offset", "7,5 mV", "CH1:OFFSET 7.5 mV"},
        {"edswOffset", "7,5 mV", "CH1:OFFSET 7.5 mV"},
        {"edswCh1Offset", "0,02\r", "CH1:OFFSET 20 mV"},
        {"edswOffset", "-0,125\r", "CH1:OFFSET -125 mV"},
        {"edswCh1Offset", ",5m", "CH1:OFFSET 500 µV"},
    };
    test::TProgramRig rig;
    bool done = false;
    rig.Run(120000, 20, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        if (!m || !rig.Acquiring() || done) return;
        done = true;
        const auto visibleField = [&](const char* name) -> TRC_EditSwitcher* {
            for (auto* field : m->findChildren<TRC_EditSwitcher*>(QLatin1String(name)))
                if (field->isVisible()) return field;
            return nullptr;
        };
        for (const bool comma : {false, true}) {
            std::optional<test::CommaLocale> locale;
            if (comma) {
                locale.emplace();
                if (!locale->Active()) continue;  // no locale with a decimal comma here
            }
            for (const TTypedRow& row : rows) {
                SCOPED_TRACE(std::string(row.Field) + " \"" + row.Typed + "\"" + (comma ? " (comma locale)" : ""));
                rig.Command("Ch1:Offset 0");
                TRC_EditSwitcher* field = visibleField(row.Field);
                ASSERT_NE(field, nullptr);
                QTest::keyClicks(field, QString::fromLatin1(row.Typed));
                EXPECT_EQ(rig.Command("CH1:OFFSET?"), row.Reply);
            }
            // A command's number keeps the point alone: the comma ends the value at "7", set at the
            // range's top, 1 V.
            rig.Command("Ch1:Offset 0");
            EXPECT_EQ(rig.Command("CH1:OFFSET 7,5E-3"), "");
            EXPECT_EQ(rig.Command("CH1:OFFSET?"), "CH1:OFFSET 1 V");
        }
        test::CloseMainWindows();
    });
    ASSERT_TRUE(done);
}

}  // namespace
}  // namespace vt
