// The mask side menu offscreen: its five pages fit whatever "# OF" counts, "# OF" follows the run
// limit, the buttons follow the mask, the page rules of opening hold, and the editor is left when a
// menu opens on the other side. The pages go side by side to screenshots/mask_menu.png.
#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"
#include "serial/ScopeSerialServices.h"
#include "test_sidemenu_support.h"
#include "ui/SideMenu.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/MaskMenu.h"

using namespace vt;
using namespace vt::test;

namespace {

std::string Polygons(int n) {
    std::string text = "NOGPIB:Mask #Poly=" + std::to_string(n) +
                       ",BitP=0,TB=0,X0=0,VDiv=0,V0=0,StdI=0,MskI=0,MskNm=,Marg=0,Kind=4";
    for (int k = 1; k <= n; ++k)
        text += ",\"Poly" + std::to_string(k) + "=" + std::to_string(400 * k) + ",200_" + std::to_string(400 * k + 300) +
                ",200_" + std::to_string(400 * k + 150) + ",600_\"";
    return text;
}

}  // namespace

TEST(MaskMenu, PagesFitButtonsFollowTheMaskAndTheEditorIsLeft) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TDisplayFeature().FillRows(shell);
    TAnalysisFeature analysis;
    analysis.FillRows(shell);
    TSerialFeature serialFeature;
    serialFeature.FillRows(shell);
    TMaskFeature maskFeature;
    maskFeature.FillRows(shell);
    RegisterAllCommandHandlers(shell);
    TKitContext kit{[&shell](std::string_view path) { return shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    TMaskMenuFeature feature(shell);
    feature.RegisterForms(menus);
    auto& mask = dynamic_cast<TScopeSerialServices&>(shell.Serial()).MaskTest();
    const auto run = [&shell](const std::string& c) { shell.CommandTree()->ExecuteCommandString(c, true); };
    const auto form = [&menus](int side = 0) { return dynamic_cast<TMask_Form*>(menus.Form(side)); };
    const auto enabled = [&](const char* name) { return form()->Button(name)->isEnabled(); };

    menus.ShowSideMenu(mkMask, 0);
    ASSERT_NE(form(), nullptr);
    EXPECT_EQ(form()->CurrentPage, 1);
    EXPECT_TRUE(feature.IsMenuPageOnSide0(mkMask, 1));

    // Every page, and "# OF" under each of its four captions, fits; "Stop / Single" shows the first.
    const std::vector<std::pair<const char*, const char*>> limits = {
        {"StopBtn", "Mask:FailWfms"}, {"FailedWfms", "Mask:FailWfms"}, {"FailedSmpls", "Mask:FailSmpls"},
        {"Wfms", "Mask:NWfms"}, {"Samples", "Mask:NSamples"}};
    const std::vector<std::string> captions = {"NOFFAILEDWFM", "NOFFAILEDWFM", "NOFFAILEDSMPL", "NOFWAVEFORMS", "NOFSAMPLES"};
    for (std::size_t i = 0; i < limits.size(); ++i) {
        run(std::string("Mask:RunUntil ") + limits[i].first);
        EXPECT_EQ(form()->CountEditor()->GetHandler(), shell.CommandTree()->Root().FindHandler(limits[i].second)) << i;
        EXPECT_EQ(form()->CountEditor()->Caption().toStdString(), shell.LangStr(captions[i].c_str())) << i;
        const auto cut = TextsThatDoNotFit(*form()->Page(3));
        EXPECT_TRUE(cut.empty()) << cut.front();
    }
    run("Mask:RunUntil StopBtn");
    for (int page : {1, 3, 4, 5, 6}) {
        form()->SetTopPanel(page);
        EXPECT_EQ(form()->CurrentPage, page);
        const auto cut = TextsThatDoNotFit(*form()->Page(page));
        EXPECT_TRUE(cut.empty()) << page << ": " << cut.front();
        const auto broken = SwitchersNotWhole(*form()->Page(page));
        EXPECT_TRUE(broken.empty()) << page << ": " << broken.front();
    }
    EXPECT_TRUE(UnboundSwitchersOf(*form()).empty());
    form()->SetTopPanel(2);
    EXPECT_EQ(form()->CurrentPage, 1) << "no page 2: page 1";

    // Without a mask nothing can be saved or deleted, and a reopened menu shows only a creating page.
    EXPECT_FALSE(enabled("swSaveUserMask"));
    EXPECT_FALSE(enabled("swSaveMaskAsStd"));
    EXPECT_FALSE(enabled("swDeleteMask"));
    EXPECT_TRUE(enabled("swAddPolygon"));
    form()->SetTopPanel(3);
    EXPECT_FALSE(feature.IsMenuPageOnSide0(mkMask, 1));
    menus.ShowSideMenu(mkMask, 0);
    EXPECT_EQ(form()->CurrentPage, 1);
    form()->SetTopPanel(5);
    menus.ShowSideMenu(mkMask, 0);
    EXPECT_EQ(form()->CurrentPage, 5);

    // A mask of eight polygons: saving and deleting enabled, no ninth polygon; page 3 stays on reopening.
    run(Polygons(8));
    ASSERT_NE(mask.MaskObject(), nullptr);
    EXPECT_TRUE(enabled("swSaveUserMask"));
    EXPECT_TRUE(enabled("swSaveMaskAsStd"));
    EXPECT_TRUE(enabled("swDeleteMask"));
    EXPECT_FALSE(enabled("swAddPolygon"));
    form()->SetTopPanel(3);
    menus.ShowSideMenu(mkMask, 0);
    EXPECT_EQ(form()->CurrentPage, 3);

    // Editing: the selection enables the point and polygon commands; "Delete Polygon" removes it.
    run(Polygons(2));
    form()->SetTopPanel(4);
    QTest::mouseClick(form()->Button("swEditMask"), Qt::LeftButton, {}, QPoint(30, form()->Button("swEditMask")->height() - 10));
    EXPECT_EQ(form()->CurrentPage, 6);
    EXPECT_TRUE(mask.Editing());
    EXPECT_EQ(mask.MaskObject(), nullptr);
    EXPECT_FALSE(enabled("swDeletePolygon"));
    mask.Mask().MoveVertex(1, -1, 200, 800);
    EXPECT_TRUE(enabled("swDeletePolygon"));
    EXPECT_FALSE(enabled("swAddPoint"));
    mask.Mask().MoveVertex(1, 2, 600, 950);
    EXPECT_TRUE(enabled("swAddPoint"));
    EXPECT_TRUE(enabled("swDeletePoint"));
    QTest::mouseClick(form()->Button("swDeletePolygon"), Qt::LeftButton, {},
                      QPoint(30, form()->Button("swDeletePolygon")->height() - 10));
    EXPECT_EQ(mask.PolygonCount(), 1);
    EXPECT_FALSE(enabled("swDeletePolygon"));

    // The picture: the five pages side by side, as the edit page shows them now.
    {
        const std::vector<int> pages = {1, 3, 4, 5, 6};
        QImage picture(static_cast<int>(pages.size()) * (SideMenuPageWidth + 4), SideMenuPageHeight, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            form()->SetTopPanel(pages[i]);
            form()->Page(pages[i])->render(&painter, QPoint(static_cast<int>(i) * (SideMenuPageWidth + 4), 0));
        }
        painter.end();
        const QString folder = QDir::current().absoluteFilePath("screenshots");
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(folder + "/mask_menu.png", "PNG"));
        form()->SetTopPanel(6);
    }

    // Any menu opened on the other side leaves the editor first: the polygons are tested again and
    // the mask menu comes back on its "Create Mask" page.
    menus.ShowSideMenu(mkHistogram, 1);
    EXPECT_FALSE(mask.Editing());
    EXPECT_NE(mask.MaskObject(), nullptr);
    EXPECT_EQ(form()->CurrentPage, 4);
    form()->SetTopPanel(6);
    menus.ShowSideMenu(mkMask, 0);
    EXPECT_EQ(form()->CurrentPage, 4) << "the editor is never reopened";
    menus.ShowSideMenu(mkNone, 0);
    menus.ShowSideMenu(mkNone, 1);
    FlushDeletes();
}
