#include <gtest/gtest.h>

#include "display/EyeParamLayer.h"

using namespace vt;

// The window, thresholds and bounds on a layer's cells; a change clears only what moves, and the
// box is drawn again where cleared lines crossed it.
TEST(EyeParamLayer, DrawsTheWindowThresholdsAndBounds) {
    T_Eye_ParamLayer layer("Eye Params Layer", false, 3, 101, 401);
    EXPECT_FALSE(layer.Grabbable);
    EXPECT_EQ(layer.ScreenXToCell(0), 1);
    EXPECT_EQ(layer.ScreenXToCell(4000), layer.MaxX() - 1);
    layer.SetParams(T_Eye_ParamLayer::TParams{1000, 832, 3000, 192, 320, 704, 1800, 2200});
    const int left = layer.ScreenXToCell(1000), right = layer.ScreenXToCell(3000);
    const int top = layer.ScreenYToCell(832), bottom = layer.ScreenYToCell(192);
    const int low = layer.ScreenYToCell(320), lb = layer.ScreenXToCell(1800);
    EXPECT_EQ(layer.Cell(left, top), 1);
    EXPECT_EQ(layer.Cell(right, bottom), 1);
    EXPECT_EQ(layer.Cell(1, low), 1);  // dotted: the odd columns
    EXPECT_EQ(layer.Cell(2, low), 0);
    EXPECT_EQ(layer.Cell(lb, 1), 1);
    // The threshold moves onto the box's top row: the top row stays whole after the line goes.
    layer.SetParams(T_Eye_ParamLayer::TParams{1000, 832, 3000, 192, 832, 704, 1800, 2200});
    layer.SetParams(T_Eye_ParamLayer::TParams{1000, 832, 3000, 192, 320, 704, 1800, 2200});
    for (int x = left; x <= right; ++x) EXPECT_EQ(layer.Cell(x, top), 1) << x;
    EXPECT_EQ(layer.Cell(1, top), 0);
}
