#pragma once
// The one current mask: its polygons in screen units (columns 0..4000, 400 a division; rows 1..1023,
// 128 a division, growing with the value), the margin polygons derived from them, and its state text
// for setups and undo. Everything here is plain data and arithmetic; the mask test feature ties it to
// the settings, the instrument and the screen.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

inline constexpr int MaskPolygonSlots = 8;
inline constexpr int MaskMaxMarginPolygons = 4;
inline constexpr int MaskColumns = 4001;  // columns 0..4000
// An automask polygon: the two edge corners and every column between.
inline constexpr int MaskMaxVertices = MaskColumns + 2;

// The kinds of mask.
enum TMaskKind : std::uint8_t { mkNoMask = 0, mkStdEye = 1, mkStdPulse = 2, mkAutomask = 3, mkUserMask = 4 };
// The margin types.
enum TMarginType : std::uint8_t { mtNoMargin = 0, mtSquare = 1, mtHexagon = 2, mtPolar = 3 };

struct TMaskPolyRec {
    std::uint16_t Count = 0;
    std::vector<double> X;
    std::vector<double> Y;
};

// The vertices a polygon uses: its counted ones, in order, passing over a kept vertex whose x is -1.
void CountedVertices(const TMaskPolyRec& p, std::vector<double>& xs, std::vector<double>& ys);

struct TMaskVertex {
    double X = 0;
    double Y = 0;
};

// What a state text holds once checked: applied as a whole or not at all.
struct TMaskState {
    int PolygonCount = 0;
    double BitP = 0, TB = 0, VDiv = 0, V0 = 0;
    int X0 = 0, StdI = 0, MskI = 0, Marg = 0, Kind = 0;
    std::string MskNm;
    int MarginPolygonCount = 0;
    std::array<TMaskPolyRec, MaskPolygonSlots> Polygons{};
};

// Where a mask being edited shows its polygons (the screen's mask edit layer), and who hears of its
// selection (an open mask menu).
class TMaskEditView {
public:
    virtual ~TMaskEditView() = default;
    virtual bool HasEditLayer() const = 0;
    virtual void FreeEditLayer() = 0;
    // Polygon n drawn anew from its vertices in screen units, the layer made when there is none;
    // select: n is the selected polygon with vertex selected.
    virtual void ShowPolygon(int n, int count, int vertex, bool select, const double* xs, const double* ys) = 0;
    virtual void SelectionChanged() = 0;
};

class TCurrentMask {
public:
    bool Editing = false;
    double BitP = 0;
    double TB = 0;
    std::uint16_t X0 = 0;
    double VDiv = 0;
    double V0 = 0;
    std::uint8_t Kind = mkNoMask;
    std::int32_t StdI = 0;
    std::int32_t MskI = 0;
    std::string MskNm;
    std::int32_t Marg = 0;
    std::uint8_t MarginType = mtNoMargin;
    std::uint8_t PolygonCount = 0;
    std::uint8_t MarginPolygonCount = 0;
    std::array<TMaskPolyRec, MaskPolygonSlots> Polygons{};
    std::int32_t SelectedPolygon = -1;
    std::int32_t SelectedVertex = -1;
    bool PolygonPicked = false;
    bool VertexPicked = false;
    std::int32_t LastMouseX = 0;
    std::int32_t LastMouseY = 0;
    bool AddPolygonMode = false;
    bool PolygonUnderConstruction = false;

    void SetPolygonCount(int count);
    void SetKind(int kind) { Kind = static_cast<std::uint8_t>(kind); }
    void SetMarginMode(int percent);
    void SetMarginType(int type) { MarginType = static_cast<std::uint8_t>(type); }
    bool IsStoredMask() const { return Kind == mkStdEye || Kind == mkStdPulse; }
    void Clear();
    // False for a slot above 7 or a mask without polygons.
    bool DeletePolygon(int slot);
    // Mask polygon n (1..8), or its margin polygon (margin not 0), from vertices in mask units.
    void StorePolygon(int n, const std::vector<TMaskVertex>& vertices, int margin, int count);
    // Appends a polygon in screen units as the next mask polygon.
    void AppendPolygon(const std::vector<int>& xs, const std::vector<int>& ys);

    std::string StateText() const;
    void Apply(const TMaskState& state);

    // --- editing with the mouse and the edit menu (points in screen units)
    TMaskEditView* EditView = nullptr;  // not owned
    // A left press while polygons are added: starts a polygon, adds a vertex or finishes it.
    void MouseDownEdit(int x, int y);
    // A left press on polygon p (below 0: none) near vertex v (-1 none): selects or picks.
    void MoveVertex(int p, int v, int y, int x);
    // A drag: the picked vertex, the vertex that follows the pointer or the picked polygon moves.
    void SelectAtPoint(int x, int y);
    void ClearSelection(bool pressed);
    bool HasSelection() const { return PolygonPicked || VertexPicked; }
    bool IsEditing() const { return AddPolygonMode && PolygonUnderConstruction; }
    // Finishes the polygon under construction without the vertex that followed the pointer; one of
    // fewer than 3 vertices goes.
    void CheckEditedPolygon();
    // Draws every polygon when the edit layer is not there yet.
    void ShowOnEditLayer();
    // The edit menu's commands.
    void AddPoint();
    void DeletePoint();
    void AddPolygon();
    void DeleteSelectedPolygon();
    // Ignored outside 0 .. count - 1.
    void DeletePolygonAt(int slot);
    // Every polygon as its counted vertices only, nothing selected, picked or under construction.
    void StartEditing();
    void SetSelection(int polygon, int vertex);

private:
    void RedrawPolygon(int n);
    void DrawPolygon(int n);
    bool ValidPolygon(int n) const { return n >= 0 && n < PolygonCount && n < MaskPolygonSlots; }
    void RemovePolygon(int n);
};

// The state text checked and read; none (with the reason) for a text that would break the mask's
// limits: more than 8 polygons (4 with margins), more than 4 margin polygons, X0 outside 0..65535,
// a margin outside -100..100, a kind above 4 or a value that is no number. Vertices are clamped to
// the screen; a vertex whose x is -1 is kept but not counted.
std::optional<TMaskState> ParseMaskStateText(std::string_view text, std::string* reason = nullptr);

// The two automask polygons (lower, upper) around a trace of 4001 rows, one per column, for band
// widths of dx columns and dy rows. Each polygon is the list of its vertices in screen units.
struct TAutomaskPolygon {
    std::vector<int> X;
    std::vector<int> Y;
};
std::array<TAutomaskPolygon, 2> BuildAutomaskPolygons(const std::vector<int>& trace, int dx, int dy);

// Trace rows of the displayed points: (column, row) pairs in display order, the later one winning a
// column; the gaps filled by straight lines and the ends by the nearest written row. 4001 rows.
std::vector<int> AutomaskTrace(const std::vector<std::pair<int, int>>& points);

}  // namespace vt
