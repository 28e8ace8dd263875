// Editing the current mask onto a real edit layer of 501 x 321 cells (no screen): polygons drawn
// and finished, vertices added, deleted and dragged, polygons dragged against the edge, the lines
// stepped cell by cell, colours by selection, a shared line kept when one polygon goes, and the
// selection that goes with what it selected.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/MaskEditLayer.h"
#include "serial/CurrentMask.h"

using namespace vt;

namespace {

// The mask's view: one edit layer, made on the first polygon drawn, freed on request.
class TLayerView : public TMaskEditView {
public:
    bool HasEditLayer() const override { return Layer != nullptr; }
    void FreeEditLayer() override { Layer.reset(); }
    void ShowPolygon(int n, int count, int vertex, bool select, const double* xs, const double* ys) override {
        if (!Layer) Layer = std::make_unique<TMaskEditLayer>("edit", false, 7, 321, 501);
        Layer->SetPolygon(n, count, vertex, select, xs, ys);
    }
    void SelectionChanged() override { ++Changes; }
    std::unique_ptr<TMaskEditLayer> Layer;
    int Changes = 0;
};

std::vector<std::pair<double, double>> Vertices(const TCurrentMask& m, int n) {
    std::vector<double> xs, ys;
    CountedVertices(m.Polygons[static_cast<std::size_t>(n)], xs, ys);
    std::vector<std::pair<double, double>> v;
    for (std::size_t i = 0; i < xs.size(); ++i) v.emplace_back(xs[i], ys[i]);
    return v;
}

using V = std::vector<std::pair<double, double>>;

// Rows of polygon n's line cells in columns x0..x1, by the layer's sets.
std::vector<int> RowsOf(const TMaskEditLayer& l, int n, int x0, int x1) {
    std::vector<int> rows;
    for (int x = x0; x <= x1; ++x)
        for (int y = 0; y <= l.MaxY(); ++y)
            if (l.Cell(x, y) & (1u << n)) {
                rows.push_back(y);
                break;
            }
    return rows;
}

}  // namespace

TEST(MaskEditing, DrawFinishEditDragAndDeleteOnTheLayer) {
    TCurrentMask m;
    TLayerView view;
    m.EditView = &view;
    m.Kind = mkUserMask;
    m.StartEditing();

    // Two presses and a right press: two vertices and the one following the pointer go.
    m.AddPolygon();
    m.MouseDownEdit(800, 704);
    m.SelectAtPoint(2400, 704);
    m.MouseDownEdit(2400, 704);
    EXPECT_TRUE(m.IsEditing());
    m.CheckEditedPolygon();
    EXPECT_EQ(m.PolygonCount, 0);
    EXPECT_EQ(m.SelectedPolygon, -1);
    EXPECT_FALSE(view.Layer) << "nothing left to draw";

    // Three presses, the fourth near the first vertex: a triangle without the following vertex.
    m.AddPolygon();
    for (auto [x, y] : {std::pair{800, 704}, {2400, 704}, {1600, 224}}) {
        m.SelectAtPoint(x, y);
        m.MouseDownEdit(x, y);
    }
    m.SelectAtPoint(830, 700);
    m.MouseDownEdit(830, 700);
    EXPECT_FALSE(m.IsEditing());
    EXPECT_FALSE(m.AddPolygonMode);
    EXPECT_EQ(Vertices(m, 0), (V{{800, 704}, {2400, 704}, {1600, 224}}));
    EXPECT_EQ(m.SelectedPolygon, 0);
    EXPECT_EQ(m.SelectedVertex, -1) << "the removed vertex is no longer selected";
    ASSERT_TRUE(view.Layer);
    const TMaskEditLayer& l = *view.Layer;
    EXPECT_EQ(l.Polygon(0).Count, 3);
    // Selected: the closing edge dark cyan, the others cyan.
    EXPECT_EQ(l.CellColor(150, 175).Value, 0xFF7F7F00u);
    EXPECT_EQ(l.CellColor(200, 100).Value, 0xFFFFFF00u);

    // The press finds the polygon on its line and the vertex within 4 cells; none farther away.
    int vertex = 0;
    EXPECT_EQ(l.FindAt(302, 101, vertex), 0);
    EXPECT_EQ(vertex, 1);
    EXPECT_EQ(l.FindAt(200, 103, vertex), 0);
    EXPECT_EQ(vertex, -1);
    EXPECT_EQ(l.FindAt(200, 180, vertex), -1);
    EXPECT_EQ(vertex, -1);

    // Select vertex 1 (handles: the selected one yellow, the others blue), pick it and drag it.
    m.MoveVertex(0, 1, 704, 2400);
    EXPECT_EQ(m.SelectedVertex, 1);
    EXPECT_FALSE(m.HasSelection());
    EXPECT_EQ(l.CellColor(301, 99).Value, 0xFF00FFFFu);
    EXPECT_EQ(l.CellColor(101, 101).Value, 0xFFFF0000u);
    m.MoveVertex(0, 1, 704, 2400);
    EXPECT_TRUE(m.HasSelection());
    m.SelectAtPoint(2560, 736);
    m.ClearSelection(false);
    EXPECT_EQ(Vertices(m, 0), (V{{800, 704}, {2560, 736}, {1600, 224}}));
    EXPECT_EQ(l.Polygon(0).X[1], 320);
    EXPECT_EQ(l.Polygon(0).Y[1], 90);

    // "Add Point" on the last vertex: the midpoint of the closing edge.
    m.MoveVertex(0, 2, 224, 1600);
    m.AddPoint();
    EXPECT_EQ(Vertices(m, 0), (V{{800, 704}, {2560, 736}, {1600, 224}, {1200, 464}}));

    // The polygon taken as a whole and dragged right: it stops at column 4000 unchanged in shape.
    m.MoveVertex(0, -1, 464, 1200);  // deselects the vertex
    m.MoveVertex(0, -1, 464, 1200);  // picks the polygon
    ASSERT_TRUE(m.PolygonPicked);
    m.SelectAtPoint(1200 + 5000, 464 + 10);
    m.ClearSelection(false);
    EXPECT_EQ(Vertices(m, 0), (V{{2240, 714}, {4000, 746}, {3040, 234}, {2640, 474}}));

    // A second polygon sharing the first one's closing edge; erasing the second keeps the shared line.
    m.AddPolygon();
    for (auto [x, y] : {std::pair{3040, 234}, {2240, 714}, {1000, 300}, {3050, 240}}) {
        m.SelectAtPoint(x, y);
        m.MouseDownEdit(x, y);
    }
    ASSERT_EQ(m.PolygonCount, 2);
    const int cx = 360, cy = 217;  // on the line from cell (380, 247) to (280, 97): x = 380 - 2 k / 3
    ASSERT_EQ(l.Cell(cx, cy) & 3u, 3u) << "both polygons pass";
    m.DeletePolygonAt(5);  // past the count: nothing
    m.DeletePolygonAt(2);
    EXPECT_EQ(m.PolygonCount, 2);
    m.MoveVertex(1, -1, 300, 1000);
    m.DeleteSelectedPolygon();
    ASSERT_TRUE(view.Layer);
    EXPECT_EQ(m.PolygonCount, 1);
    EXPECT_EQ(view.Layer->Cell(cx, cy), 1u) << "the first polygon's line stays";
    EXPECT_EQ(view.Layer->CellColor(cx, cy).Value, 0xFF0000FFu) << "drawn unselected, in the layer colour";

    // Deleting the fourth vertex leaves a triangle; one more deletion removes the polygon, and the
    // selection goes with it, so a second "Delete Point" or "Delete Polygon" does nothing.
    m.MoveVertex(0, -1, 474, 2640);
    m.MoveVertex(0, 3, 474, 2640);
    m.DeletePoint();
    EXPECT_EQ(Vertices(m, 0).size(), 3u);
    EXPECT_EQ(m.SelectedVertex, 0) << "the last one went: the first is selected";
    m.DeletePoint();
    EXPECT_EQ(m.PolygonCount, 0);
    EXPECT_EQ(m.SelectedPolygon, -1);
    EXPECT_EQ(m.SelectedVertex, -1);
    m.DeletePoint();
    m.DeleteSelectedPolygon();
    EXPECT_EQ(m.PolygonCount, 0);
    EXPECT_GT(view.Changes, 0);
}

TEST(MaskEditing, LinesStepTheLongerSpanAndRoundHalvesToEven) {
    TMaskEditLayer l("edit", false, 7, 321, 501);
    // Screen points of cells (10, 10), (16, 11) and (10, 11), (16, 12): x 8 c, y 1024 - 3.2 r.
    const auto x = [](int c) { return 8.0 * c; };
    const auto y = [](int r) { return 1024 - 3.2 * r; };
    const double ax[] = {x(10), x(16)}, ay[] = {y(10), y(11)};
    l.SetPolygon(0, 2, -1, false, ax, ay);
    EXPECT_EQ(RowsOf(l, 0, 10, 16), (std::vector<int>{10, 10, 10, 10, 11, 11, 11}));
    const double bx[] = {x(10), x(16)}, by[] = {y(11), y(12)};
    l.SetPolygon(1, 2, -1, false, bx, by);
    EXPECT_EQ(RowsOf(l, 1, 10, 16), (std::vector<int>{11, 11, 11, 12, 12, 12, 12}));
    // Steep: rows are stepped, one cell each.
    const double cx[] = {x(40), x(42)}, cy[] = {y(40), y(50)};
    l.SetPolygon(2, 2, -1, false, cx, cy);
    int cells = 0;
    for (int r = 40; r <= 50; ++r)
        for (int c = 38; c <= 44; ++c) cells += (l.Cell(c, r) & 4u) ? 1 : 0;
    EXPECT_EQ(cells, 11);

    // A line shared with the selected polygon: erasing the selected one leaves it in the layer colour.
    const double px[] = {x(100), x(200), x(150)}, py[] = {y(100), y(100), y(150)}, qy[] = {y(100), y(100), y(60)};
    l.SetPolygon(3, 3, -1, false, px, py);
    l.SetPolygon(4, 3, 0, true, px, qy);
    EXPECT_EQ(l.CellColor(150, 100).Value, 0xFFFFFF00u);
    l.SetPolygon(4, 0, -1, false, px, qy);
    EXPECT_EQ(l.Cell(150, 100), 8u);
    EXPECT_EQ(l.CellColor(150, 100).Value, 0xFF0000FFu);
    EXPECT_EQ(l.Cell(150, 60), 0u);
}
