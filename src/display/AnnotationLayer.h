#pragma once
// The annotation layer: up to 8 records drawn as labelled arrows, ticks and lines. Each cell keeps the
// set of records drawing there (a bit per record in the base grid) and, in the colour plane, each
// record's colour code there; the lowest record number shows. Labels are rendered once into bits and
// moved from them.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "display/Annotations.h"
#include "display/OverlayLayers.h"

namespace vt {

class TScopeDisplayServices;

inline constexpr int AnnGlyphMaxWidth = 151;
inline constexpr int AnnGlyphMaxHeight = 19;

// Colour codes 0 label background, 1 highlighted marks, 2 highlighted label text, 3 white (ARGB).
inline constexpr std::array<std::uint32_t, 4> AnnotationColors = {0xFF000000u, 0xFFB080FFu, 0xFF00FFFFu, 0xFFFFFFFFu};

// A label: " text " white on black in a white frame, kept as lit or unlit pixels.
struct TAnnGlyph {
    std::uint8_t Width = 0;
    std::uint8_t Height = 0;
    std::array<std::uint8_t, AnnGlyphMaxWidth * AnnGlyphMaxHeight> Lit{};
    bool IsLit(int x, int y) const { return Lit[static_cast<std::size_t>(y * AnnGlyphMaxWidth + x)] != 0; }
};
// Renders the label (cut to the glyph's largest size); needs the GUI application for the font.
TAnnGlyph RenderAnnotationGlyph(const std::string& text);

class TAnnotationLayer : public TMarkerLayer {
public:
    TAnnotationLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    // The colour of the lowest record drawing in the cell.
    TColor CellColor(int x, int y) const override;
    // Every record's cells go and no record counts as drawn.
    void Erase() override;

    // Draws, moves or erases record n (1..8) as the record asks, in one batch.
    void SetSlot(int n, const TAnnLabelParam& record);

    struct TRecordState {
        bool Drawn = false;
        std::int32_t Column = 0;
        std::int32_t Row = 0;
        std::int32_t Column2 = 0;
        std::uint8_t Shape = 0;
        std::int32_t LabelColumn = 0;
        std::int32_t LabelRow = 0;
    };
    const TRecordState& State(int n) const { return States_.at(Index(n)); }
    const TAnnLabelParam& Stored(int n) const { return Records_.at(Index(n)); }
    const TAnnGlyph& Glyph(int n) const { return Glyphs_.at(Index(n)); }
    // The colour code record n left in the cell.
    int CodeAt(int n, int x, int y) const { return (Plane_[CellIndex(x, y)] >> (2 * (n - 1))) & 3; }
    // Texts rendered into glyphs so far.
    int GlyphRenders() const { return GlyphRenders_; }

private:
    static std::size_t Index(int n);
    void DrawRecord(int n);
    void EraseRecord(int n);
    // Walks the cells of record n as its state places it; paint: draw them, else erase them.
    void WalkRecord(int n, bool paint);
    void PaintCell(int n, int x, int y, int code);
    void EraseCell(int n, int x, int y);

    std::vector<std::uint16_t> Plane_;
    std::array<TAnnLabelParam, AnnotationRecordCount> Records_{};
    std::array<TAnnGlyph, AnnotationRecordCount> Glyphs_{};
    std::array<std::string, AnnotationRecordCount> GlyphTexts_{};
    std::array<bool, AnnotationRecordCount> GlyphMade_{};
    std::array<TRecordState, AnnotationRecordCount> States_{};
    int GlyphRenders_ = 0;
};

// The records of kind 1 or 2 go to the annotation layer of their kind for their source (nothing
// without the panel).
void RefreshAnnotationLayers(TScopeDisplayServices& display, TAnnLabelArray records);
// No record in use, both annotation layers freed, no owner.
void ClearAnnotations(TScopeDisplayServices& display);
// Measurement m left the list: the annotations of m go, those of a later one follow it down.
void RemoveMeasAnnotations(TScopeDisplayServices& display, int m);

}  // namespace vt
