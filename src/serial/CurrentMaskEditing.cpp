// Editing the current mask: the presses, drags and releases of the screen and the edit menu's
// commands, each redrawing what it changed on the edit layer.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/Numeric.h"
#include "serial/CurrentMask.h"

namespace vt {

namespace {
constexpr double MaxColumn = 4000;
constexpr double MaxRow = 1024;
// A press this near the first vertex closes the polygon under construction.
constexpr double CloseColumns = 40;
constexpr double CloseRows = 16;
}  // namespace

void TCurrentMask::SetSelection(int polygon, int vertex) {
    const bool changed = polygon != SelectedPolygon || vertex != SelectedVertex;
    SelectedPolygon = polygon;
    SelectedVertex = vertex;
    if (changed && EditView) EditView->SelectionChanged();
}

void TCurrentMask::DrawPolygon(int n) {
    if (!EditView || n < 0 || n >= MaskPolygonSlots) return;
    const TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
    const int count = ValidPolygon(n) ? std::min<int>(p.Count, static_cast<int>(std::min(p.X.size(), p.Y.size()))) : 0;
    EditView->ShowPolygon(n, count, SelectedVertex, n == SelectedPolygon, p.X.data(), p.Y.data());
}

void TCurrentMask::RedrawPolygon(int n) {
    if (!EditView) return;
    if (!EditView->HasEditLayer()) {
        ShowOnEditLayer();
        return;
    }
    DrawPolygon(n);
    // The layer forgets its selection when another polygon is drawn: the selected one tells it again.
    if (n != SelectedPolygon && ValidPolygon(SelectedPolygon)) DrawPolygon(SelectedPolygon);
}

void TCurrentMask::ShowOnEditLayer() {
    if (!EditView || EditView->HasEditLayer() || PolygonCount == 0) return;
    for (int n = 0; n < PolygonCount && n < MaskPolygonSlots; ++n)
        if (n != SelectedPolygon) DrawPolygon(n);
    if (ValidPolygon(SelectedPolygon)) DrawPolygon(SelectedPolygon);
}

void TCurrentMask::StartEditing() {
    std::vector<double> xs, ys;
    for (int n = 0; n < MaskPolygonSlots; ++n) {
        TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
        if (n >= PolygonCount) {
            p = TMaskPolyRec{};
            continue;
        }
        CountedVertices(p, xs, ys);
        p.X = xs;
        p.Y = ys;
        p.Count = static_cast<std::uint16_t>(xs.size());
    }
    PolygonPicked = VertexPicked = false;
    AddPolygonMode = PolygonUnderConstruction = false;
    SetSelection(-1, -1);
}

void TCurrentMask::MouseDownEdit(int x, int y) {
    if (!PolygonUnderConstruction || !ValidPolygon(SelectedPolygon)) {
        PolygonUnderConstruction = false;
        if (PolygonCount < MaskPolygonSlots) {
            const int n = PolygonCount;
            TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
            // The second vertex follows the pointer until the next press.
            p.Count = 2;
            p.X.assign(2, x);
            p.Y.assign(2, y);
            PolygonUnderConstruction = true;
            SetPolygonCount(n + 1);
            if (Kind == mkNoMask) Kind = mkUserMask;
            SetSelection(n, 1);
            RedrawPolygon(n);
        }
    } else {
        const int n = SelectedPolygon;
        TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
        if (std::fabs(x - p.X[0]) < CloseColumns && std::fabs(y - p.Y[0]) < CloseRows) {
            CheckEditedPolygon();
        } else if (p.Count < MaskMaxVertices) {
            p.X.resize(p.Count);
            p.Y.resize(p.Count);
            p.X.push_back(x);
            p.Y.push_back(y);
            ++p.Count;
            SetSelection(n, p.Count - 1);
            RedrawPolygon(n);
        }
    }
    LastMouseX = x;
    LastMouseY = y;
}

void TCurrentMask::MoveVertex(int p, int v, int y, int x) {
    if (!ValidPolygon(p)) return;
    if (p != SelectedPolygon) {
        const int old = SelectedPolygon;
        SetSelection(p, -1);
        if (ValidPolygon(old) && EditView && EditView->HasEditLayer()) DrawPolygon(old);
        RedrawPolygon(p);
    } else if (v < 0) {
        if (SelectedVertex < 0) {
            PolygonPicked = true;
        } else {
            SetSelection(p, -1);
            RedrawPolygon(p);
        }
    } else if (v == SelectedVertex) {
        VertexPicked = true;
    } else if (v < Polygons[static_cast<std::size_t>(p)].Count) {
        SetSelection(p, v);
        RedrawPolygon(p);
    }
    if (HasSelection()) {
        LastMouseX = x;
        LastMouseY = y;
    }
}

void TCurrentMask::SelectAtPoint(int x, int y) {
    double dx = x - LastMouseX, dy = y - LastMouseY;
    const int n = SelectedPolygon;
    if (ValidPolygon(n)) {
        TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
        const int count = std::min<int>(p.Count, static_cast<int>(std::min(p.X.size(), p.Y.size())));
        if ((VertexPicked || IsEditing()) && SelectedVertex >= 0 && SelectedVertex < count) {
            const auto v = static_cast<std::size_t>(SelectedVertex);
            p.X[v] = std::clamp(p.X[v] + dx, 0.0, MaxColumn);
            p.Y[v] = std::clamp(p.Y[v] + dy, 0.0, MaxRow);
            RedrawPolygon(n);
        } else if (PolygonPicked && count > 0) {
            double minX = MaxColumn, maxX = 0, minY = MaxRow, maxY = 0;
            for (int i = 0; i < count; ++i) {
                const double vx = RoundHalfEven(p.X[static_cast<std::size_t>(i)]);
                const double vy = RoundHalfEven(p.Y[static_cast<std::size_t>(i)]);
                minX = std::min(minX, vx), maxX = std::max(maxX, vx);
                minY = std::min(minY, vy), maxY = std::max(maxY, vy);
            }
            dx = std::clamp(dx, -minX, MaxColumn - maxX);
            dy = std::clamp(dy, -minY, MaxRow - maxY);
            for (int i = 0; i < count; ++i) {
                p.X[static_cast<std::size_t>(i)] += dx;
                p.Y[static_cast<std::size_t>(i)] += dy;
            }
            RedrawPolygon(n);
        }
    }
    LastMouseX = x;
    LastMouseY = y;
}

void TCurrentMask::ClearSelection(bool pressed) {
    if (pressed) return;
    PolygonPicked = VertexPicked = false;
}

void TCurrentMask::RemovePolygon(int n) {
    if (EditView) EditView->FreeEditLayer();
    DeletePolygonAt(n);
    PolygonPicked = VertexPicked = false;
    SetSelection(-1, -1);
    ShowOnEditLayer();
}

void TCurrentMask::CheckEditedPolygon() {
    if (!PolygonUnderConstruction || !ValidPolygon(SelectedPolygon)) return;
    AddPolygonMode = false;
    PolygonUnderConstruction = false;
    const int n = SelectedPolygon;
    TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
    if (p.Count > 3) {
        // The vertex that followed the pointer goes, and with it the selection of it.
        --p.Count;
        p.X.resize(p.Count);
        p.Y.resize(p.Count);
        if (SelectedVertex >= p.Count) SetSelection(n, -1);
        RedrawPolygon(n);
    } else {
        RemovePolygon(n);
    }
}

void TCurrentMask::AddPoint() {
    const int n = SelectedPolygon;
    if (!ValidPolygon(n)) return;
    TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
    const int count = p.Count;
    if (SelectedVertex < 0 || SelectedVertex >= count || count >= MaskMaxVertices) return;
    const auto a = static_cast<std::size_t>(SelectedVertex), b = static_cast<std::size_t>((SelectedVertex + 1) % count);
    const double mx = (p.X[a] + p.X[b]) / 2, my = (p.Y[a] + p.Y[b]) / 2;
    p.X.insert(p.X.begin() + static_cast<std::ptrdiff_t>(a) + 1, mx);
    p.Y.insert(p.Y.begin() + static_cast<std::ptrdiff_t>(a) + 1, my);
    ++p.Count;
    RedrawPolygon(n);
}

void TCurrentMask::DeletePoint() {
    const int n = SelectedPolygon;
    if (!ValidPolygon(n)) return;
    TMaskPolyRec& p = Polygons[static_cast<std::size_t>(n)];
    if (SelectedVertex < 0 || SelectedVertex >= p.Count) return;
    p.X.erase(p.X.begin() + SelectedVertex);
    p.Y.erase(p.Y.begin() + SelectedVertex);
    --p.Count;
    if (p.Count < 3) {
        RemovePolygon(n);
        return;
    }
    if (SelectedVertex >= p.Count) SetSelection(n, 0);
    RedrawPolygon(n);
}

void TCurrentMask::AddPolygon() {
    CheckEditedPolygon();
    if (SelectedPolygon >= 0) {
        const int old = SelectedPolygon;
        SetSelection(-1, -1);
        if (ValidPolygon(old)) RedrawPolygon(old);
    }
    AddPolygonMode = true;
    PolygonUnderConstruction = false;
}

void TCurrentMask::DeleteSelectedPolygon() {
    if (EditView) EditView->FreeEditLayer();
    DeletePolygonAt(SelectedPolygon);
    PolygonPicked = VertexPicked = false;
    PolygonUnderConstruction = false;
    SetSelection(-1, -1);
    ShowOnEditLayer();
}

void TCurrentMask::DeletePolygonAt(int slot) {
    if (!ValidPolygon(slot)) return;
    DeletePolygon(slot);
}

}  // namespace vt
