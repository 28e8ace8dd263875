// Editing a mask on the demo with real mouse events and the mask menu's buttons: a triangle drawn by
// presses on screen 1 (its layer 501 x 321 cells, so cell (c, r) is screen point (8c, 1024 - 3.2r)),
// a vertex dragged, the mask tested and saved; then a second polygon drawn, a vertex of the first
// deleted (the polygon goes, and its selection with it), an undo that brings back the mask as it was
// before the editing, on the edit layer, and the recall of the saved file through the open dialog.
// The edited triangle goes to screenshots/mask_edit.png (_x11 under a real X server).
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTest>
#include <filesystem>
#include <string>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/MaskEditLayer.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenLayout.h"
#include "link/InstrumentLink.h"
#include "serial/ScopeSerialServices.h"
#include "ui/DisplayPanelView.h"
#include "ui/MainBlock.h"
#include "ui/MainMenuButton.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/menus/MaskMenu.h"

namespace vt {
namespace {

// The open dialog answers with the file saved before.
struct TRecallingDialogs : test::TScriptedDialogs {
    bool ExecOpenDialog(QWidget*, TSaveDialogRequest& request) override {
        if (OpenAnswer.empty()) return false;
        request.Name = OpenAnswer;
        return true;
    }
    std::string OpenAnswer;
};

std::string PolygonItem(const std::string& state, int n) {
    const std::string key = "Poly" + std::to_string(n) + "=";
    const std::size_t at = state.find(key);
    if (at == std::string::npos) return "";
    // The item runs to its last vertex's "_" (its commas separate x from y).
    std::size_t end = at;
    while (end < state.size() && state[end] != '"' && !(state[end] == ',' && state[end - 1] == '_')) ++end;
    return state.substr(at, end - at);
}

TEST(MaskEditingDemo, PolygonsDrawnDraggedDeletedUndoneAndSaved) {
    TRecallingDialogs dialogs;
    test::TProgramRig rig({.OwnDialogs = &dialogs});
    TShell& shell = rig.Shell;

    struct {
        int LayerColumns = 0, LayerRows = 0, PageAfterCreate = 0, PageAfterEdit = 0, PageAfterBack = 0;
        bool AddingAfterClick = false, TestOn = false, ObjectWhileEditing = true, SavedFile = false;
        std::string FirstDrawn, AfterDrag, AfterBack, SecondDrawn, AfterDelete, AfterUndo, AfterRecall;
        bool DeletePolygonOnPolygon = false, DeletePointOnPolygon = true, DeletePointOnVertex = false;
        int SelectionAfterDelete = 0, UndoLayerVertices = 0, UndoPolygons = 0, EndPolygons = 0;
        bool EndObject = false, EndEditing = true;
        unsigned ClosingColour = 0, HandleColour = 0;
    } seen;
    rig.RunSteps(40000, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        auto& services = dynamic_cast<TScopeDisplayServices&>(shell.Display());
        auto* view = m->findChild<TDisplayPanelWidget*>();
        ASSERT_TRUE(view);
        TScopeCRT& crt = *services.Panel();
        TMaskTest& mask = dynamic_cast<TScopeSerialServices&>(shell.Serial()).MaskTest();
        const auto state = [&shell] {
            shell.ExecuteCommandString("Header OFF");
            return shell.ExecuteCommandString("NOGPIB:Mask?");
        };
        ASSERT_TRUE(rig.Until([&] { return services.SignalLayerDrawn(ssCh1); }));
        // Stopped where a cycle ended, the trace drawn: the edits meet no acquisition.
        ASSERT_TRUE(rig.Acquire(2));
        // The mask menu on the right side, as a right click on its main-menu button opens it.
        QWidget& menuButton = m->GetMainMenuButton(mkMask);
        QTest::mousePress(&menuButton, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&menuButton, Qt::RightButton, {}, QPoint(5, 5));
        TMask_Form* form = nullptr;
        for (QWidget* w : m->findChildren<QWidget*>())
            if (auto* f = dynamic_cast<TMask_Form*>(w); f && f->isVisible()) form = f;
        ASSERT_TRUE(form);
        const auto click = [form](const char* name) {
            TRC_RightPassiveCommandSwitcher* b = form->Button(name);
            ASSERT_TRUE(b && b->isEnabled() && b->isVisible()) << name;
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(30, b->height() - 10));
        };
        click("swCreateMask");
        seen.PageAfterCreate = form->CurrentPage;
        click("swEditMask");
        seen.PageAfterEdit = form->CurrentPage;
        click("swAddPolygon");
        seen.AddingAfterClick = shell.Serial().AddPolygonMode();

        TSignalScreen* yt = crt.Screen(1);
        ASSERT_TRUE(yt);
        const QPoint origin(yt->Left() + ScreenMargin, yt->Top());
        const auto at = [&](int c, int r) { return origin + QPoint(c, r); };
        const auto pressAt = [&](int c, int r) {
            QTest::mouseMove(view, at(c, r));
            QTest::mousePress(view, Qt::LeftButton, {}, at(c, r));
            QTest::mouseRelease(view, Qt::LeftButton, {}, at(c, r));
        };
        for (auto [c, r] : {std::pair{100, 100}, {300, 100}, {200, 250}, {102, 101}}) pressAt(c, r);
        auto* edit = dynamic_cast<TMaskEditLayer*>(crt.MaskEditLayer(ssCh1));
        ASSERT_TRUE(edit);
        seen.LayerColumns = edit->MaxX() + 1;
        seen.LayerRows = edit->MaxY() + 1;
        seen.FirstDrawn = PolygonItem(state(), 1);
        seen.ObjectWhileEditing = mask.MaskObject() != nullptr;

        // The vertex at (300, 100): the first press selects it, the second takes it.
        pressAt(300, 100);
        seen.HandleColour = edit->CellColor(300, 100).Value;
        seen.ClosingColour = edit->CellColor(150, 175).Value;  // from (200, 250) back to (100, 100)
        QTest::mousePress(view, Qt::LeftButton, {}, at(300, 100));
        QTest::mouseMove(view, at(310, 95));
        QTest::mouseMove(view, at(320, 90));
        QTest::mouseRelease(view, Qt::LeftButton, {}, at(320, 90));
        seen.AfterDrag = PolygonItem(state(), 1);
        test::SaveScreenshot(*m, QGuiApplication::platformName() == QLatin1String("xcb") ? "mask_edit_x11.png"
                                                                                       : "mask_edit.png");

        click("swBackEdit");
        seen.PageAfterBack = form->CurrentPage;
        shell.ExecuteCommandString("Mask:Test ON");
        seen.TestOn = ReadOnOffSetting(shell.CommandTree(), "Mask:Test", false);
        seen.AfterBack = state();
        shell.ExecuteCommandString("Mask:Test OFF");
        const std::string saved = shell.Folders.UserMaskFolder + "edited";
        TSaveDialogRequest answer;
        answer.Name = saved + ".pcm";
        answer.Folder = shell.Folders.UserMaskFolder;
        dialogs.SaveAnswers.push_back(answer);
        click("swSaveUserMask");
        seen.SavedFile = std::filesystem::exists(saved + ".pcm");

        // A second polygon; then the first one's vertex at (200, 250) deleted.
        click("swEditMask");
        click("swAddPolygon");
        for (auto [c, r] : {std::pair{350, 200}, {450, 200}, {400, 300}, {353, 202}}) pressAt(c, r);
        seen.SecondDrawn = PolygonItem(state(), 2);
        pressAt(200, 250);
        seen.DeletePolygonOnPolygon = form->Button("swDeletePolygon")->isEnabled();
        seen.DeletePointOnPolygon = form->Button("swDeletePoint")->isEnabled();
        pressAt(200, 250);
        seen.DeletePointOnVertex = form->Button("swDeletePoint")->isEnabled();
        click("swDeletePoint");
        seen.AfterDelete = state();
        seen.SelectionAfterDelete = mask.Mask().SelectedPolygon;

        // The undo: the mask as it was when the editing began, shown for editing.
        shell.CommandTree()->ExecuteCommandString("*Undo Undo", false);
        seen.AfterUndo = state();
        seen.UndoPolygons = mask.PolygonCount();
        if (auto* again = dynamic_cast<TMaskEditLayer*>(crt.MaskEditLayer(ssCh1)))
            seen.UndoLayerVertices = again->Polygon(0).Count;
        click("swBackEdit");

        // The saved file comes back through the open dialog.
        shell.ExecuteCommandString("Mask:EraseMask");
        dialogs.OpenAnswer = saved + ".pcm";
        click("swRecallUserMask");
        seen.AfterRecall = PolygonItem(state(), 1);
        seen.EndPolygons = mask.PolygonCount();
        seen.EndObject = mask.MaskObject() != nullptr;
        seen.EndEditing = mask.Editing();
    });

    EXPECT_EQ(seen.PageAfterCreate, 4);
    EXPECT_EQ(seen.PageAfterEdit, 6);
    EXPECT_TRUE(seen.AddingAfterClick);
    ASSERT_EQ(seen.LayerColumns, 501);
    ASSERT_EQ(seen.LayerRows, 321);
    // Cells (100, 100), (300, 100), (200, 250): x 8c, y 1024 (1 - r / 320); the press at (102, 101)
    // lies within 40 columns and 16 rows of the first vertex and closes the polygon.
    EXPECT_EQ(seen.FirstDrawn, "Poly1=800,704_2400,704_1600,224_");
    EXPECT_FALSE(seen.ObjectWhileEditing) << "an edited mask is not tested";
    EXPECT_EQ(seen.HandleColour, 0xFF00FFFFu) << "the selected vertex's handle is yellow";
    EXPECT_EQ(seen.ClosingColour, 0xFF7F7F00u) << "the closing edge of the selected polygon is dark cyan";
    // Dragged by 20 cells right and 10 up: 160 columns and 32 rows.
    EXPECT_EQ(seen.AfterDrag, "Poly1=800,704_2560,736_1600,224_");
    EXPECT_EQ(seen.PageAfterBack, 4);
    EXPECT_TRUE(seen.TestOn);
    EXPECT_NE(seen.AfterBack.find("Poly1=800,704_2560,736_1600,224_"), std::string::npos) << seen.AfterBack;
    EXPECT_NE(seen.AfterBack.find("Kind=4"), std::string::npos) << seen.AfterBack;
    EXPECT_TRUE(seen.SavedFile);

    EXPECT_EQ(seen.SecondDrawn, "Poly2=2800,384_3600,384_3200,64_");
    EXPECT_TRUE(seen.DeletePolygonOnPolygon);
    EXPECT_FALSE(seen.DeletePointOnPolygon) << "no vertex selected yet";
    EXPECT_TRUE(seen.DeletePointOnVertex);
    // The triangle left with two vertices goes; the other polygon moves to the first slot.
    EXPECT_NE(seen.AfterDelete.find("#Poly=1"), std::string::npos) << seen.AfterDelete;
    EXPECT_NE(seen.AfterDelete.find("Poly1=2800,384_3600,384_3200,64_"), std::string::npos) << seen.AfterDelete;
    EXPECT_EQ(seen.SelectionAfterDelete, -1);

    EXPECT_NE(seen.AfterUndo.find("Poly1=800,704_2560,736_1600,224_"), std::string::npos) << seen.AfterUndo;
    EXPECT_EQ(seen.UndoPolygons, 1);
    EXPECT_EQ(seen.UndoLayerVertices, 3) << "the restored polygon is on the edit layer";

    EXPECT_EQ(seen.AfterRecall, "Poly1=800,704_2560,736_1600,224_");
    EXPECT_EQ(seen.EndPolygons, 1);
    EXPECT_TRUE(seen.EndObject);
    EXPECT_FALSE(seen.EndEditing);
}

}  // namespace
}  // namespace vt
