#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <cstring>

#include "core/InternalError.h"
#include "display/DrawingSurfaces.h"
#include "display/InvertedCopy.h"
#include "RecordingSink.h"

using namespace vt;
using vt::test::TRecordingSink;

namespace {

struct Surfaces : ::testing::Test {
    Surfaces() : Screen(&Sink) {
        Screen.Resize(3, 4, 100, 50);
        Sink.Copies.clear();
    }
    TRecordingSink Sink;
    TScanLinesScreen Screen;
};

}  // namespace

TEST_F(Surfaces, NestedBatchesCopyTheirBoundsOnce) {
    Screen.BeginUpdate();
    Screen.MarkChanged(10, 20, 10, 20);
    Screen.BeginUpdate();
    Screen.MarkChanged(30, 5, 30, 5);
    Screen.EndUpdate();
    EXPECT_TRUE(Sink.Copies.empty()) << "nothing reaches the window before the outer close";
    Screen.EndUpdate();
    ASSERT_EQ(Sink.Copies.size(), 1u);
    EXPECT_EQ(Sink.Copies[0], (TPixelRect{10, 5, 30, 20}));

    Screen.BeginUpdate();
    Screen.EndUpdate();
    EXPECT_EQ(Sink.Copies.size(), 1u) << "an empty batch copies nothing";

    Screen.MarkChanged(7, 8, 7, 8);
    ASSERT_EQ(Sink.Copies.size(), 2u);
    EXPECT_EQ(Sink.Copies[1], (TPixelRect{7, 8, 7, 8})) << "outside a batch the one pixel is copied";

    EXPECT_THROW(Screen.EndUpdate(), EInternalError);
    EXPECT_EQ(Screen.BatchDepth(), 0);
}

TEST_F(Surfaces, PixelsAreBlueGreenRedInMemoryAndClipped) {
    Screen.Bitmap().SetPixel(2, 3, TColor(0x0000FF));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&Screen.Bitmap().Row(3)[2]);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(Screen.Bitmap().Image().pixel(2, 3), 0xFFFF0000u) << "the image shows the same memory";

    // A point past the right edge must not land in the next row, nor one below the last row anywhere.
    TSLBMP bmp;
    bmp.SetSize(4, 2);
    bmp.SetPixel(4, 0, clWhite);
    bmp.SetPixel(-1, 1, clWhite);
    bmp.SetPixel(0, 2, clWhite);
    bmp.SetPixel(65536, 0, clWhite);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(bmp.Pixel(x, y), clBlack) << x << "," << y;
    Sink.Copies.clear();
    Screen.MarkChanged(100, 0, 120, 0);
    Screen.MarkChanged(0, -3, 5, -1);
    EXPECT_TRUE(Sink.Copies.empty()) << "nothing of the bitmap changed";
}

TEST_F(Surfaces, TextStaysInsideTheScreen) {
    Screen.SetFontColor(TColor(0xFF00FFFF));
    EXPECT_EQ(Screen.GetFontColor(), TColor(0x00FFFF)) << "24 bits";
    const int w = Screen.Bitmap().TextWidth(QStringLiteral("WWWW"));
    ASSERT_GT(w, 5);
    Screen.TextOut(5, 0, "WWWW", 2, 0);
    ASSERT_EQ(Sink.Copies.size(), 1u);
    EXPECT_EQ(Sink.Copies[0].Left, 0) << "right-aligned text at x 5 starts at 0";
    EXPECT_EQ(Sink.Copies[0].Right, w - 1);

    Screen.TextOut(98, 40, "WWWW", 0, 2);
    ASSERT_EQ(Sink.Copies.size(), 2u);
    EXPECT_EQ(Sink.Copies[1].Right, 99) << "text that would pass the right edge ends there";
    EXPECT_EQ(Sink.Copies[1].Bottom, 39);

    Screen.SetVisible(false);
    Screen.TextOut(0, 0, "hidden", 0, 0);
    EXPECT_EQ(Sink.Copies.size(), 2u);
    Screen.SetVisible(true);

    // Deferred text joins the batch; a fill copies at once whatever the batch.
    Screen.BeginUpdate();
    Screen.TextRectDeferred({20, 10, 40, 22}, 1, 0, "x");
    Screen.FillRectColor({0, 0, 1, 1}, clRed, true);
    EXPECT_EQ(Sink.Copies.size(), 3u);
    Screen.EndUpdate();
    ASSERT_EQ(Sink.Copies.size(), 4u);
    EXPECT_EQ(Sink.Copies[3], (TPixelRect{20, 10, 40, 22}));
    EXPECT_EQ(Screen.Bitmap().Pixel(25, 21), Screen.Color()) << "the text rectangle's background is the brush";
}

TEST_F(Surfaces, ColourChangeClearsAndCopiesAll) {
    Screen.SetColor(TColor(0x102030));
    ASSERT_EQ(Sink.Copies.size(), 1u);
    EXPECT_EQ(Sink.Copies[0], (TPixelRect{0, 0, 99, 49}));
    EXPECT_EQ(Screen.Bitmap().Pixel(99, 49), TColor(0x102030));
    EXPECT_EQ(Screen.Left(), 3);
    EXPECT_EQ(Screen.Top(), 4);
}

// The readouts ask whether a text fits before drawing it: the answer is the shaped width's, for
// kerned pairs, tabular digits, Latin-1 signs, letters beyond it and narrowed letters alike.
TEST_F(Surfaces, TextFitsAnswersAsTheShapedWidthDoes) {
    TSLBMP& bitmap = Screen.Bitmap();
    const QStringList texts = {QString(), QStringLiteral("AVATAR To Ty"), QStringLiteral("1111.11 ps"),
                               QStringLiteral("-12.345 mV"), QStringLiteral("4 / 65"),
                               QString::fromUtf8("3.2 \xC2\xB5s \xC2\xB1 1%"), QString::fromUtf8("50 \xCE\xA9 W.W"),
                               QStringLiteral("Eye Width (Ch1)")};
    for (const int stretch : {100, 75}) {
        bitmap.Font().setPixelSize(11);
        bitmap.Font().setStretch(stretch);
        const QFontMetrics shaped(bitmap.Font());
        for (const QString& t : texts) {
            const int width = shaped.horizontalAdvance(t);
            for (int room = 0; room <= width + 3; ++room)
                ASSERT_EQ(bitmap.TextFits(t, room), width <= room) << t.toStdString() << " in " << room << " at " << stretch;
        }
    }
}

TEST(InvertedCopy, BlackBecomesWhiteAndRedCyan) {
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(QColor(Qt::black));
    image.setPixel(1, 0, TColor(0x0000FF).ToPixel());
    image.setPixel(3, 1, TColor(0x0000FF).ToPixel());
    InvertAgainstScreenColor(image, QRect(0, 0, 3, 2), clBlack);
    EXPECT_EQ(TColor::FromPixel(image.pixel(0, 0)), clWhite);
    EXPECT_EQ(TColor::FromPixel(image.pixel(1, 0)), TColor(0xFFFF00));
    EXPECT_EQ(TColor::FromPixel(image.pixel(3, 1)), TColor(0x0000FF)) << "outside the area unchanged";

    // Against a grey screen the screen colour itself turns white.
    image.fill(QColor(0x40, 0x40, 0x40));
    InvertAgainstScreenColor(image, image.rect(), TColor(0x404040));
    EXPECT_EQ(TColor::FromPixel(image.pixel(2, 1)), clWhite);
}
