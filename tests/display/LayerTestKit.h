#pragma once
// Layered screens without a window: stub layers, screens of any size recording their copies, pixels
// read back as colours, and a failing screen written to a PNG for a look.
#include <gtest/gtest.h>

#include <QDir>
#include <cstdint>
#include <memory>
#include <string>

#include "display/ScreenLayers.h"
#include "display/SignalScreen.h"
#include "RecordingSink.h"

namespace vt::test {

// A layer of plain cells in one colour.
class TStubLayer : public TScreenLayer {
public:
    TStubLayer(TSignalScreen& screen, int slot, TColor colour)
        : TScreenLayer("stub", screen.NoMargin(), slot, screen.Height(), screen.Width() - (screen.NoMargin() ? 0 : ScreenMargin)) {
        SetSignalScreenAndRegisterSelfInIt(&screen);
        SetLayerColorAndOpacity(colour);
    }
    TColor CellColor(int, int) const override { return Color(); }
    void Draw(int x, int y) {
        SetCell(x, y, 1);
        SetPixel(x, y);
    }
    void Undraw(int x, int y) {
        SetCell(x, y, 0);
        ClearPixel(x, y);
    }
};

struct TTestScreen {
    TTestScreen(int width, int height, TColor background, bool noMargin = false) : Screen(&Sink, noMargin) {
        Screen.Resize(0, 0, width, height);
        Screen.SetColor(background);
        Screen.Clear();
        Sink.Copies.clear();
    }
    // At layer point (x, y).
    TColor Pixel(int x, int y) const {
        return Screen.Bitmap().Pixel(Screen.NoMargin() ? x : x + ScreenMargin, y);
    }
    // Call at the end of a test: a failed one leaves its screen in screenshots/.
    void DumpIfFailed(const std::string& name) const {
        if (!::testing::Test::HasFailure()) return;
        QDir().mkpath(QStringLiteral("screenshots"));
        Screen.Bitmap().Image().save(QString::fromStdString("screenshots/failed-" + name + ".png"));
    }
    TRecordingSink Sink;
    TSignalScreen Screen;
};

// A 551 x 353 layer of the given kind on a screen with a margin.
template <class TLayer>
struct TLayerOnScreen {
    explicit TLayerOnScreen(TColor colour = TColor(0xFF80FFFF))
        : T(572, 353, TColor(0x101010)), L("l", false, 8, 353, 551) {
        L.SetSource(0);
        L.SetSignalScreenAndRegisterSelfInIt(&T.Screen);
        L.SetLayerColorAndOpacity(colour);
    }
    ~TLayerOnScreen() {
        L.Erase();
        L.Unregister();  // asserts that no pixel of the layer is left
    }
    std::uint32_t Clock = 0;  // for a layer that reads one
    TTestScreen T;
    TLayer L;
};

}  // namespace vt::test
