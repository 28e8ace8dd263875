// The demo program, stopped, with Ch1 and Ch2 on a YT screen beside an XY screen, and real mouse
// events on its panel: a press on a marker takes the marker while no mask is edited; while one is,
// the presses, drags and releases go to the mask (in screen units, through the edit layer) and never
// to the layers; on the XY screen a press and a drag change nothing. A channel marker lit by the
// pointer goes out when the pointer leaves the screen, and a spectrum's zoom is the shown fraction.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenLayout.h"
#include "display/ScreenMouse.h"
#include "display/SignalLayers.h"
#include "link/InstrumentLink.h"
#include "serial/ScopeSerialServices.h"
#include "ui/DisplayPanelView.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

// The program's serial services, with a mask whose editing the test switches on and off.
struct TEditedMask : TScopeSerialServices {
    using TScopeSerialServices::TScopeSerialServices;
    bool MaskEditing() const override { return Editing; }
    bool AddPolygonMode() const override { return Adding; }
    bool HasSelection() const override { return Selected; }
    bool IsEditing() const override { return Building; }
    void MouseDownEdit(int x, int y) override { Log("down " + std::to_string(x) + " " + std::to_string(y)); }
    void MoveVertex(int p, int v, int y, int x) override {
        Log("vertex " + std::to_string(p) + " " + std::to_string(v) + " " + std::to_string(y) + " " + std::to_string(x));
    }
    void SelectAtPoint(int x, int y) override { Log("select " + std::to_string(x) + " " + std::to_string(y)); }
    void ClearSelection(bool pressed) override { Log(pressed ? "clear pressed" : "clear"); }
    void CheckEditedPolygon() override { Log("check"); }
    void Log(std::string s) { Calls.push_back(std::move(s)); }
    bool Editing = false, Adding = false, Selected = false, Building = false;
    std::vector<std::string> Calls;
};

// A mask edit layer with one vertex of polygon 2 drawn: vertex 1.
class TEditLayer : public TMarkerLayer, public TMaskEditHits {
public:
    using TMarkerLayer::TMarkerLayer;
    void PutVertex(int x, int y) {
        VertexX = x, VertexY = y;
        DrawCell(x, y);
    }
    int FindAt(int x, int y, int& vertex) const override {
        const bool near = std::abs(x - VertexX) <= 3 && std::abs(y - VertexY) <= 3;
        vertex = near ? 1 : -1;
        return near ? 2 : -1;
    }
    int VertexX = 0, VertexY = 0;
};

// A call with a layer point in the screen units of the edit layer.
std::string Point(const TMarkerLayer& l, const std::string& what, int x, int y) {
    return what + " " + std::to_string(l.CellToScreenX(x)) + " " + std::to_string(l.CellToScreenY(y));
}

TEST(ScreenPressesDemo, MaskEditingTakesThePressesAndTheXYScreenNone) {
    // In before the features: they wire themselves to the services they find.
    TEditedMask* edited = nullptr;
    test::TProgramRig rig({.BeforeFeatures = [&edited](TShell& shell) {
        auto owned = std::make_unique<TEditedMask>(shell);
        edited = owned.get();
        shell.SetSerialServices(std::move(owned));
    }});
    TShell& shell = rig.Shell;
    TEditedMask& mask = *edited;
    rig.RunSteps(30000, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        ASSERT_TRUE(m && services && services->Panel());
        auto* view = m->findChild<TDisplayPanelWidget*>();
        ASSERT_NE(view, nullptr);
        TScopeCRT& crt = *services->Panel();
        TCommandTree& tree = *shell.CommandTree();
        ASSERT_TRUE(rig.Until([&] { return services->SignalLayerDrawn(ssCh1); }));
        shell.ExecuteCommandString("Displ:Format CombYTXY");
        shell.ExecuteCommandString("Mark:Type MX");
        // A few cycles in the new format, then stopped; a cycle under way ends first.
        ASSERT_TRUE(rig.CountOn(3));
        shell.RunOn = false;
        if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
        ASSERT_TRUE(rig.Until([&] { return !shell.Link() || !shell.Link()->AcquisitionRunning(); }));
        shell.RunOn = false;

        TSignalScreen* yt = crt.Screen(1);
        shell.Analysis().UpdateMarkerLayer(1);
        shell.Analysis().UpdateMarkerLayer(2);
        auto* marker = dynamic_cast<T_X_MarkerLayer*>(crt.MarkerLayer(2));
        ASSERT_TRUE(yt && !yt->NoMargin() && marker);
        const QPoint origin(yt->Left() + ScreenMargin, yt->Top());
        const int column = marker->Column();
        const double m1Before = ReadRealSetting(&tree, "Mark:M1:XPos", -1);
        const double m2Before = ReadRealSetting(&tree, "Mark:M2:XPos", -1);
        std::vector<std::string> expected;
        const auto expectNoDrag = [&] { EXPECT_TRUE(!shell.FlagRegisterMode && !view->PressedMouse()->DragImage()); };

        // No mask edited: the press finds the marker.
        QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(column, 100));
        EXPECT_TRUE(view->PressedMouse() && view->PressedMouse()->Grabbed() == marker)
            << "no mask edited: the press searches the layers";
        QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(column, 100));
        expected.push_back("clear");

        // A mask edited, with its edit layer on the screen: the same press asks the mask for the
        // polygon there (none), takes no layer and its drag moves nothing.
        mask.Editing = true;
        crt.OverlayClasses().Register(TOverlayClass::MaskEdit, [](std::string name, bool margin, int slot, int rows,
                                                                  int columns) {
            return std::make_unique<TEditLayer>(std::move(name), margin, slot, rows, columns);
        });
        auto* edit = dynamic_cast<TEditLayer*>(crt.MaskEditLayer(ssCh1));
        ASSERT_TRUE(edit && edit->GetScreen() == yt);
        QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(column, 100));
        EXPECT_TRUE(view->PressedMouse() && view->PressedMouse()->Grabbed() == nullptr)
            << "a mask edited: the marker is not taken";
        QTest::mouseMove(view, origin + QPoint(column + 40, 100));
        expectNoDrag();
        QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(column + 40, 100));
        expected.push_back("vertex -1 -1 " + std::to_string(edit->CellToScreenY(100)) + " " +
                           std::to_string(edit->CellToScreenX(column)));
        expected.push_back("clear");

        // On a vertex: the layer is taken and the polygon and vertex go with the point; with a
        // selection the drag moves it.
        const int vx = column > 200 ? column - 120 : column + 120, vy = 60;
        edit->PutVertex(vx, vy);
        QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(vx + 2, vy));
        EXPECT_TRUE(view->PressedMouse() && view->PressedMouse()->Grabbed() == edit);
        mask.Selected = true;
        QTest::mouseMove(view, origin + QPoint(vx + 30, vy + 20));
        expectNoDrag();
        QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(vx + 30, vy + 20));
        mask.Selected = false;
        expected.push_back("vertex 2 1 " + std::to_string(edit->CellToScreenY(vy)) + " " +
                           std::to_string(edit->CellToScreenX(vx + 2)));
        expected.push_back(Point(*edit, "select", vx + 30, vy + 20));
        expected.push_back("clear");

        // Adding a polygon: a left press adds a vertex, the pointer moves it without a button, a
        // right press finishes the polygon.
        mask.Adding = mask.Building = true;
        QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(150, 80));
        QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(150, 80));
        QTest::mouseMove(view, origin + QPoint(170, 90));
        QTest::mousePress(view, Qt::RightButton, {}, origin + QPoint(170, 90));
        QTest::mouseRelease(view, Qt::RightButton, {}, origin + QPoint(170, 90));
        expected.push_back(Point(*edit, "down", 150, 80));
        expected.push_back("clear");
        expected.push_back(Point(*edit, "select", 170, 90));
        expected.push_back("check");
        expected.push_back("clear");
        EXPECT_EQ(mask.Calls, expected);
        mask.Editing = mask.Adding = mask.Building = false;
        crt.FreeMaskEditLayer();
        EXPECT_EQ(ReadRealSetting(&tree, "Mark:M1:XPos", -1), m1Before);
        EXPECT_EQ(ReadRealSetting(&tree, "Mark:M2:XPos", -1), m2Before);

        // The XY screen: a left press on its trace and a drag take nothing.
        TSignalScreen* xy = nullptr;
        for (int k = 1; k <= MaxScreens; ++k)
            if (TSignalScreen* s = crt.Screen(k); s && s->Visible() && s->NoMargin()) xy = s;
        ASSERT_NE(xy, nullptr);
        QPoint at(xy->Left() + xy->Width() / 2, xy->Top() + xy->Height() / 2);
        if (const TParentSignalLayer* trace = crt.SignalLayer(ssXY))
            for (int k = 0; k < trace->PointCount(); ++k)
                if (trace->PointRow(k) > 0) {
                    at = QPoint(xy->Left() + trace->PointColumn(k), xy->Top() + trace->PointRow(k));
                    break;
                }
        const double offsetBefore = ReadRealSetting(&tree, "Ch1:Offset", 0);
        const std::size_t calls = mask.Calls.size();
        QTest::mousePress(view, Qt::LeftButton, {}, at);
        const TScreenMouse* pressed = view->PressedMouse();
        bool xyDragged = !pressed || pressed->Grabbed() || pressed->DragImage() || shell.FlagRegisterMode;
        QTest::mouseMove(view, at + QPoint(40, 30));
        xyDragged = xyDragged || pressed->DragImage() || shell.FlagRegisterMode || crt.ExistingFrameLayer();
        QTest::mouseRelease(view, Qt::LeftButton, {}, at + QPoint(40, 30));
        EXPECT_FALSE(xyDragged || mask.Calls.size() != calls) << "the XY screen takes no press";
        EXPECT_EQ(ReadRealSetting(&tree, "Ch1:Offset", 0), offsetBefore);
        EXPECT_EQ(ReadRealSetting(&tree, "Mark:M1:XPos", -1), m1Before);
        EXPECT_EQ(ReadRealSetting(&tree, "Mark:M2:XPos", -1), m2Before);

        // Over Ch1's channel marker in the YT screen's left margin it lights up; straight off the
        // screen (down onto the bottom strip) and out of the panel it goes out.
        const auto lightMarker = [&] {
            for (int y = 2; y < yt->Height() - 2 && yt->HighlightedMarkerSlot == 255; ++y)
                QTest::mouseMove(view, QPoint(yt->Left() + 4, yt->Top() + y));
            return yt->HighlightedMarkerSlot != 255;
        };
        EXPECT_TRUE(lightMarker());
        QTest::mouseMove(view, QPoint(yt->Left() + 4, crt.BottomStrip().Top() + 20));
        EXPECT_EQ(yt->HighlightedMarkerSlot, 255) << "off the screen straight from the marker";
        EXPECT_TRUE(lightMarker());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view, &leave);
        EXPECT_EQ(yt->HighlightedMarkerSlot, 255);

        // A spectrum's widest view shows half its record: no sideways drag there, below 0.45 one.
        auto* s1 = FindSetting<TEditHandler>(&tree, "Zoom:S1:HorScale");
        ASSERT_NE(s1, nullptr);
        s1->SetValue(s1->MaxValue());
        EXPECT_EQ(services->MouseActions->SourceZoom(ssS1), 0.5);
        s1->SetValue(0.25);
        EXPECT_EQ(services->MouseActions->SourceZoom(ssS1), 0.25);
    });
}

}  // namespace
}  // namespace vt
