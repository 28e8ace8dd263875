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

    enum { Starting, Settling, Pressing, Done } phase = Starting;
    int ticks = 0;
    bool markerTaken = false, noneTakenWhileEditing = false, editLayerTaken = false, noDrag = true;
    std::vector<std::string> expected, calls;
    double m1Before = 0, m2Before = 0, m1After = 1, m2After = 1;
    bool xyScreen = false, xyDragged = true;
    double offsetBefore = 0, offsetAfter = 1, xyM1 = 1, xyM2 = 1;
    bool litOnMarker = false, litOffScreen = true, litOutOfPanel = true;
    std::vector<double> spectrumZooms;
    rig.Run(30000, 250, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        if (!m || !services || !services->Panel() || !shell.AcqEnabled) return;
        auto* view = m->findChild<TDisplayPanelWidget*>();
        if (!view) return;
        TScopeCRT& crt = *services->Panel();
        TCommandTree& tree = *shell.CommandTree();
        switch (phase) {
            case Starting:
                if (!services->SignalLayerDrawn(ssCh1)) return;
                shell.ExecuteCommandString("Displ:Format CombYTXY");
                shell.ExecuteCommandString("Mark:Type MX");
                phase = Settling;
                break;
            case Settling:
                // A few cycles in the new format, then stopped; a cycle under way ends first.
                if (++ticks == 8) {
                    shell.RunOn = false;
                    if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
                }
                if (ticks < 12) return;
                shell.RunOn = false;
                phase = Pressing;
                break;
            case Pressing: {
                TSignalScreen* yt = crt.Screen(1);
                shell.Analysis().UpdateMarkerLayer(1);
                shell.Analysis().UpdateMarkerLayer(2);
                auto* marker = dynamic_cast<T_X_MarkerLayer*>(crt.MarkerLayer(2));
                ASSERT_TRUE(yt && !yt->NoMargin() && marker);
                const QPoint origin(yt->Left() + ScreenMargin, yt->Top());
                const int column = marker->Column();
                m1Before = ReadRealSetting(&tree, "Mark:M1:XPos", -1);
                m2Before = ReadRealSetting(&tree, "Mark:M2:XPos", -1);

                // No mask edited: the press finds the marker.
                QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(column, 100));
                markerTaken = view->PressedMouse() && view->PressedMouse()->Grabbed() == marker;
                QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(column, 100));
                expected.push_back("clear");

                // A mask edited, with its edit layer on the screen: the same press asks the mask for
                // the polygon there (none), takes no layer and its drag moves nothing.
                mask.Editing = true;
                crt.OverlayClasses().Register(TOverlayClass::MaskEdit, [](std::string name, bool margin, int slot,
                                                                          int rows, int columns) {
                    return std::make_unique<TEditLayer>(std::move(name), margin, slot, rows, columns);
                });
                auto* edit = dynamic_cast<TEditLayer*>(crt.MaskEditLayer(ssCh1));
                ASSERT_TRUE(edit && edit->GetScreen() == yt);
                QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(column, 100));
                noneTakenWhileEditing = view->PressedMouse() && view->PressedMouse()->Grabbed() == nullptr;
                QTest::mouseMove(view, origin + QPoint(column + 40, 100));
                noDrag = noDrag && !shell.FlagRegisterMode && !view->PressedMouse()->DragImage();
                QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(column + 40, 100));
                expected.push_back("vertex -1 -1 " + std::to_string(edit->CellToScreenY(100)) + " " +
                                   std::to_string(edit->CellToScreenX(column)));
                expected.push_back("clear");

                // On a vertex: the layer is taken and the polygon and vertex go with the point; with
                // a selection the drag moves it.
                const int vx = column > 200 ? column - 120 : column + 120, vy = 60;
                edit->PutVertex(vx, vy);
                QTest::mousePress(view, Qt::LeftButton, {}, origin + QPoint(vx + 2, vy));
                editLayerTaken = view->PressedMouse() && view->PressedMouse()->Grabbed() == edit;
                mask.Selected = true;
                QTest::mouseMove(view, origin + QPoint(vx + 30, vy + 20));
                noDrag = noDrag && !shell.FlagRegisterMode && !view->PressedMouse()->DragImage();
                QTest::mouseRelease(view, Qt::LeftButton, {}, origin + QPoint(vx + 30, vy + 20));
                mask.Selected = false;
                expected.push_back("vertex 2 1 " + std::to_string(edit->CellToScreenY(vy)) + " " +
                                   std::to_string(edit->CellToScreenX(vx + 2)));
                expected.push_back(Point(*edit, "select", vx + 30, vy + 20));
                expected.push_back("clear");

                // Adding a polygon: a left press adds a vertex, the pointer moves it without a
                // button, a right press finishes the polygon.
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
                calls = mask.Calls;
                mask.Editing = mask.Adding = mask.Building = false;
                crt.FreeMaskEditLayer();
                m1After = ReadRealSetting(&tree, "Mark:M1:XPos", -1);
                m2After = ReadRealSetting(&tree, "Mark:M2:XPos", -1);

                // The XY screen: a left press on its trace and a drag take nothing.
                TSignalScreen* xy = nullptr;
                for (int k = 1; k <= MaxScreens; ++k)
                    if (TSignalScreen* s = crt.Screen(k); s && s->Visible() && s->NoMargin()) xy = s;
                xyScreen = xy != nullptr;
                if (xy) {
                    QPoint at(xy->Left() + xy->Width() / 2, xy->Top() + xy->Height() / 2);
                    if (const TParentSignalLayer* trace = crt.SignalLayer(ssXY))
                        for (int k = 0; k < trace->PointCount(); ++k)
                            if (trace->PointRow(k) > 0) {
                                at = QPoint(xy->Left() + trace->PointColumn(k), xy->Top() + trace->PointRow(k));
                                break;
                            }
                    offsetBefore = ReadRealSetting(&tree, "Ch1:Offset", 0);
                    const std::size_t calls = mask.Calls.size();
                    QTest::mousePress(view, Qt::LeftButton, {}, at);
                    const TScreenMouse* pressed = view->PressedMouse();
                    xyDragged = !pressed || pressed->Grabbed() || pressed->DragImage() || shell.FlagRegisterMode;
                    QTest::mouseMove(view, at + QPoint(40, 30));
                    xyDragged = xyDragged || pressed->DragImage() || shell.FlagRegisterMode || crt.ExistingFrameLayer();
                    QTest::mouseRelease(view, Qt::LeftButton, {}, at + QPoint(40, 30));
                    xyDragged = xyDragged || mask.Calls.size() != calls;
                    offsetAfter = ReadRealSetting(&tree, "Ch1:Offset", 0);
                    xyM1 = ReadRealSetting(&tree, "Mark:M1:XPos", -1);
                    xyM2 = ReadRealSetting(&tree, "Mark:M2:XPos", -1);
                }

                // Over Ch1's channel marker in the YT screen's left margin it lights up; straight off
                // the screen (down onto the bottom strip) and out of the panel it goes out.
                mask.Editing = false;
                const auto lightMarker = [&] {
                    for (int y = 2; y < yt->Height() - 2 && yt->HighlightedMarkerSlot == 255; ++y)
                        QTest::mouseMove(view, QPoint(yt->Left() + 4, yt->Top() + y));
                    return yt->HighlightedMarkerSlot != 255;
                };
                litOnMarker = lightMarker();
                QTest::mouseMove(view, QPoint(yt->Left() + 4, crt.BottomStrip().Top() + 20));
                litOffScreen = yt->HighlightedMarkerSlot != 255;
                litOnMarker = lightMarker() && litOnMarker;
                QEvent leave(QEvent::Leave);
                QApplication::sendEvent(view, &leave);
                litOutOfPanel = yt->HighlightedMarkerSlot != 255;

                // A spectrum's widest view shows half its record: no sideways drag there, below 0.45 one.
                if (auto* s1 = FindSetting<TEditHandler>(&tree, "Zoom:S1:HorScale")) {
                    s1->SetValue(s1->MaxValue());
                    spectrumZooms.push_back(services->MouseActions->SourceZoom(ssS1));
                    s1->SetValue(0.25);
                    spectrumZooms.push_back(services->MouseActions->SourceZoom(ssS1));
                }
                phase = Done;
                m->close();
                break;
            }
            case Done: break;
        }
    });
    ASSERT_EQ(phase, Done);
    EXPECT_TRUE(markerTaken) << "no mask edited: the press searches the layers";
    EXPECT_TRUE(noneTakenWhileEditing) << "a mask edited: the marker is not taken";
    EXPECT_TRUE(editLayerTaken);
    EXPECT_TRUE(noDrag);
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(m1After, m1Before);
    EXPECT_EQ(m2After, m2Before);
    ASSERT_TRUE(xyScreen);
    EXPECT_FALSE(xyDragged) << "the XY screen takes no press";
    EXPECT_EQ(offsetAfter, offsetBefore);
    EXPECT_EQ(xyM1, m1Before);
    EXPECT_EQ(xyM2, m2Before);
    EXPECT_TRUE(litOnMarker);
    EXPECT_FALSE(litOffScreen) << "off the screen straight from the marker";
    EXPECT_FALSE(litOutOfPanel);
    EXPECT_EQ(spectrumZooms, (std::vector<double>{0.5, 0.25}));
}

}  // namespace
}  // namespace vt
