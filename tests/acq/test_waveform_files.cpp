#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/temp_folder.h"
#include "acq/SignalObj.h"
#include "acq/WaveformFiles.h"
#include "core/TextFiles.h"

using namespace vt;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

std::uint64_t U64At(const std::string& b, std::size_t off) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(b[off + i])) << (8 * i);
    return v;
}
double F64At(const std::string& b, std::size_t off) { return std::bit_cast<double>(U64At(b, off)); }
unsigned U16At(const std::string& b, std::size_t off) {
    return static_cast<std::uint8_t>(b[off]) | (static_cast<std::uint8_t>(b[off + 1]) << 8);
}

TSignalObj Waveform(int length) {
    TSignalObj r;
    r.SetName("Channel 1");
    r.SetLength(length);
    for (int i = 0; i < length; ++i) r.SetPoint(i, 0.25 * i - 1.5);
    r.SetHorUnit("s");
    r.SetOrigin(0);
    r.SetSampleInterval(1e-10);
    r.SetVertUnit("V");
    r.SetVertScale(0.2);
    r.SetVertOffset(-0.05);
    return r;
}

TSignalObj SpectrumRecord(int length) {
    TSignalObj r = Waveform(length);
    r.SetName("Spectrum 1");
    r.SetSpectrum(true);
    r.SetHorUnit("Hz");
    r.SetVertUnit("W");
    r.SetWindow(4);
    for (int i = 0; i < length; ++i) r.SetSecondPoint(i, std::sin(0.1 * i) / 3);
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

void ExpectSamePoints(const TSignalObj& a, const TSignalObj& b) {
    ASSERT_EQ(a.Length(), b.Length());
    for (int i = 0; i < a.Length(); ++i) {
        EXPECT_EQ(a.GetPoint(i), b.GetPoint(i)) << i;
        if (a.IsSpectrum()) {
            EXPECT_EQ(a.GetSecondPoint(i), b.GetSecondPoint(i)) << i;
        }
    }
}

// A record that differs from the files of these tests in every stored field.
TSignalObj Sentinel() {
    TSignalObj r;
    r.SetName("keep");
    r.SetLength(64);
    r.SetPoint(0, 42);
    r.SetHorUnit("x");
    r.SetVertUnit("y");
    r.SetOrigin(9);
    r.SetWindow(1);
    return r;
}

void ExpectUnchanged(const TSignalObj& r) {
    EXPECT_EQ(r.Length(), 64);
    EXPECT_EQ(r.GetPoint(0), 42);
    EXPECT_EQ(r.HorUnit(), "x");
    EXPECT_EQ(r.VertUnit(), "y");
    EXPECT_EQ(r.Origin(), 9);
    EXPECT_EQ(r.Window(), 1);
    EXPECT_FALSE(r.IsSpectrum());
}

class WaveformFileDir : public ::testing::Test {
protected:
    vt::test::TempFolder Folder;
    fs::path Dir = Folder.Path();
};

}  // namespace

TEST(WaveformNumberText, WidthDrivesTheMantissaAndTheExponentHasFourDigits) {
    EXPECT_EQ(FloatToTextWidth(1e-10, 20), " 1.00000000000E-0010");
    EXPECT_EQ(FloatToTextWidth(0, 23), " 0.00000000000000E+0000");
    EXPECT_EQ(FloatToTextWidth(-1234.5678, 23), "-1.23456780000000E+0003");
    EXPECT_EQ(FloatToTextWidth(2.0 / 3, 20), " 6.66666666667E-0001");
    EXPECT_EQ(FloatToTextWidth(0.1, 30), "     1.00000000000000006E-0001");
    EXPECT_EQ(FloatToTextWidth(-1.5, 30), "    -1.50000000000000000E+0000");
    EXPECT_EQ(FloatToTextWidth(1.7976931348623157e308, 30), "     1.79769313486231571E+0308");
    EXPECT_EQ(FloatToTextWidth(5e-324, 30), "     4.94065645841246544E-0324");
    EXPECT_EQ(FloatToTextWidth(-0.0, 20), "-0.00000000000E+0000");
    EXPECT_EQ(FloatToTextWidth(std::numeric_limits<double>::infinity(), 20), std::string(16, ' ') + " Inf");
    EXPECT_EQ(FloatToTextWidth(-std::numeric_limits<double>::infinity(), 6), "  -Inf");
    EXPECT_EQ(FloatToTextWidth(std::nan(""), 4), " NaN");
}

TEST(WaveformBinary, LayoutOfAWaveformFieldByField) {
    TSignalObj r = Waveform(32);
    r.SetWindow(5);
    r.SetDielectric(2.25);
    r.SetTdrUnit(tdrOhm);
    r.SetTdrScale(0.4);
    r.SetTdrOffset(-0.1);
    r.SetRaw(true);
    const std::string b = r.BinaryImage();
    const std::size_t e = 3 + 8 * 32;
    ASSERT_EQ(b.size(), e + 187);
    EXPECT_EQ(U16At(b, 0), 32u);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(F64At(b, 3), -1.5);
    EXPECT_EQ(F64At(b, 3 + 8 * 31), 0.25 * 31 - 1.5);
    // Units: UTF-16 LE, zero-filled to 64 bytes.
    EXPECT_EQ(b.substr(e, 4), std::string("s\0\0\0", 4));
    EXPECT_EQ(b.substr(e + 2, 62), std::string(62, '\0'));
    EXPECT_EQ(F64At(b, e + 64), 0.0);
    EXPECT_EQ(F64At(b, e + 72), 1e-10);
    EXPECT_EQ(b.substr(e + 80, 2), "V\0"s);
    EXPECT_EQ(b.substr(e + 82, 62), std::string(62, '\0'));
    EXPECT_EQ(F64At(b, e + 144), -0.05);
    EXPECT_EQ(F64At(b, e + 152), 0.2);
    EXPECT_EQ(b[e + 160], 5);
    EXPECT_EQ(F64At(b, e + 161), 2.25);
    EXPECT_EQ(b[e + 169], 2);
    EXPECT_EQ(F64At(b, e + 170), 0.4);
    EXPECT_EQ(F64At(b, e + 178), -0.1);
    EXPECT_EQ(b[e + 186], 1);
    // Little-endian bytes of a known double: 1e-10 is 0x3DDB7CDFD9D7BDBB.
    EXPECT_EQ(b.substr(e + 72, 8), "\xBB\xBD\xD7\xD9\xDF\x7C\xDB\x3D"s);
}

TEST(WaveformBinary, SizesOfDefaultRecordsAndSpectrumLayout) {
    EXPECT_EQ(Waveform(512).BinaryImage().size(), 4286u);
    const TSignalObj s = SpectrumRecord(512);
    const std::string b = s.BinaryImage();
    ASSERT_EQ(b.size(), 8382u);
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(F64At(b, 3 + 8 * 512 + 8 * 7), s.GetSecondPoint(7));
    EXPECT_EQ(b.substr(3 + 16 * 512, 6), "H\0z\0\0\0"s);
    EXPECT_EQ(b[3 + 16 * 512 + 160], 4);
    EXPECT_EQ(U16At(Waveform(4096).BinaryImage(), 0), 4096u);
}

TEST(WaveformBinary, RoundTripsWaveformsAndSpectraButNotNameOrView) {
    TSignalObj w = Waveform(4096);
    w.SetTdrUnit(tdrRho);
    w.SetTdrScale(0.5);
    w.SetTdrOffset(0.125);
    w.SetDielectric(4.0);
    w.SetHorUnit("\u00B5s");
    w.SetVertUnit("\u2126");
    TSignalObj r;
    r.SetName("mine");
    r.SetViewStart(7);
    ASSERT_TRUE(r.LoadBinaryImage(w.BinaryImage()));
    ExpectSamePoints(w, r);
    EXPECT_EQ(r.Name(), "mine");
    EXPECT_EQ(r.ViewStart(), 7);
    EXPECT_EQ(r.HorUnit(), "\u00B5s");
    EXPECT_EQ(r.VertUnit(), "\u2126");
    EXPECT_EQ(r.TdrUnit(), tdrRho);
    EXPECT_EQ(r.TdrScale(), 0.5);
    EXPECT_EQ(r.TdrOffset(), 0.125);
    EXPECT_EQ(r.Dielectric(), 4.0);
    EXPECT_EQ(r.BinaryImage(), w.BinaryImage());

    const TSignalObj s = SpectrumRecord(100);
    ASSERT_TRUE(r.LoadBinaryImage(s.BinaryImage()));
    EXPECT_TRUE(r.IsSpectrum());
    EXPECT_EQ(r.Window(), 4);
    ExpectSamePoints(s, r);
}

TEST(WaveformBinary, LongUnitsAreCutTo31Characters) {
    TSignalObj w = Waveform(32);
    w.SetHorUnit(std::string(40, 'a'));
    // A character outside the basic plane is never split at the cut.
    w.SetVertUnit(std::string(30, 'b') + "\U0001D11E");
    TSignalObj r;
    ASSERT_TRUE(r.LoadBinaryImage(w.BinaryImage()));
    EXPECT_EQ(r.HorUnit(), std::string(31, 'a'));
    EXPECT_EQ(r.VertUnit(), std::string(30, 'b'));
    w.SetVertUnit(std::string(29, 'b') + "\U0001D11E");
    ASSERT_TRUE(r.LoadBinaryImage(w.BinaryImage()));
    EXPECT_EQ(r.VertUnit(), std::string(29, 'b') + "\U0001D11E");
}

TEST(WaveformBinary, UnitWithoutTerminatingZeroIsBoundedToItsField) {
    std::string b = Waveform(32).BinaryImage();
    const std::size_t e = 3 + 8 * 32;
    for (int i = 0; i < 32; ++i) {
        b[e + 2 * i] = 'u';
        b[e + 2 * i + 1] = 0;
    }
    TSignalObj r;
    ASSERT_TRUE(r.LoadBinaryImage(b));
    EXPECT_EQ(r.HorUnit(), std::string(32, 'u'));
    EXPECT_EQ(r.SampleInterval(), 1e-10);
    EXPECT_EQ(r.VertUnit(), "V");
}

TEST(WaveformBinary, DamagedFilesLeaveTheRecordAlone) {
    const std::string good = SpectrumRecord(40).BinaryImage();
    for (std::size_t n = 0; n < good.size(); ++n) {
        TSignalObj r = Sentinel();
        EXPECT_FALSE(r.LoadBinaryImage(std::string_view(good).substr(0, n))) << n;
        ExpectUnchanged(r);
    }
    TSignalObj r = Sentinel();
    EXPECT_FALSE(r.LoadBinaryImage(good + '\0'));  // one byte too many
    ExpectUnchanged(r);

    for (unsigned length : {0u, 31u, 4097u, 65535u}) {
        std::string bad = good;
        bad[0] = static_cast<char>(length & 0xFF);
        bad[1] = static_cast<char>(length >> 8);
        EXPECT_FALSE(r.LoadBinaryImage(bad)) << length;
        ExpectUnchanged(r);
    }
    std::string badFlag = good;
    badFlag[2] = 2;
    EXPECT_FALSE(r.LoadBinaryImage(badFlag));
    ExpectUnchanged(r);

    // Every enumerated byte is checked: the TDR unit (0..3) and the FFT window (0..5), counted from the
    // end (TDR unit, scale, offset and the raw flag follow the window and the dielectric).
    const std::size_t tdrUnitAt = good.size() - 18, windowAt = good.size() - 27;
    using TByteAt = std::pair<std::size_t, int>;
    for (auto [at, value] : {TByteAt{tdrUnitAt, 77}, TByteAt{tdrUnitAt, 4}, TByteAt{windowAt, 6}}) {
        std::string bad = good;
        bad[at] = static_cast<char>(value);
        EXPECT_FALSE(r.LoadBinaryImage(bad)) << at << " " << value;
        ExpectUnchanged(r);
    }
    std::string lastValues = good;
    lastValues[tdrUnitAt] = 3;
    lastValues[windowAt] = 5;
    EXPECT_TRUE(TSignalObj(r).LoadBinaryImage(lastValues));

    // A value that is not finite, in the points or in the scales, makes the file damaged.
    const double inf = std::numeric_limits<double>::infinity();
    using TValueAt = std::pair<std::size_t, double>;
    for (auto [at, value] : {TValueAt{3, std::nan("")}, TValueAt{3 + 8 * 79, -inf}, TValueAt{good.size() - 35, inf}}) {
        std::string bad = good;
        std::memcpy(bad.data() + at, &value, 8);
        EXPECT_FALSE(r.LoadBinaryImage(bad)) << at;
        ExpectUnchanged(r);
    }
}

TEST(WaveformText, VerboseLinesOfAWaveform) {
    TSignalObj w = Waveform(32);
    const std::vector<std::string> lines = Lines(w.TextImage(false));
    ASSERT_EQ(lines.size(), 13u + 32u);
    EXPECT_EQ(lines[0], "This is text form of saved Waveform");
    EXPECT_EQ(lines[1], "Channel 1");
    EXPECT_EQ(lines[2], "  32                        (Record Length)");
    EXPECT_EQ(lines[3], "Waveform");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "  s                         (Dimension of horizontal axes)");
    EXPECT_EQ(lines[6], " 0.00000000000000E+0000        (Shift of the first horizontal point)");
    EXPECT_EQ(lines[7], " 1.00000000000E-0010        (Sample interval)");
    EXPECT_EQ(lines[8], "V                         (Dimension of vertical axes)");
    EXPECT_EQ(lines[9], " 2.00000000000E-0001        (Vertical Scale per division)");
    EXPECT_EQ(lines[10], "-5.00000000000E-0002        (Vertical offset)");
    EXPECT_EQ(lines[11], "");
    EXPECT_EQ(lines[12], "(The following date points are showed in their real value)");
    EXPECT_EQ(lines[13], "    -1.50000000000000000E+0000");
    EXPECT_EQ(lines[19], "     0.00000000000000000E+0000");
    EXPECT_EQ(lines[44], "     6.25000000000000000E+0000");
}

TEST(WaveformText, VerboseLinesOfASpectrumAndOfTdrValues) {
    TSignalObj s = SpectrumRecord(32);
    s.SetSecondPoint(1, -0.5);
    const std::vector<std::string> lines = Lines(s.TextImage(false));
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines[3], "Spectrum");
    EXPECT_EQ(lines[4], "Window: Blackman-Harris");
    EXPECT_EQ(lines[5], " Hz                         (Dimension of horizontal axes)");
    EXPECT_EQ(lines[14], "    -1.25000000000000000E+0000    -5.00000000000000000E-0001");

    TSignalObj t = Waveform(32);
    t.SetTdrUnit(tdrOhm);
    t.SetTdrScale(1);
    t.SetTdrOffset(-1.5);  // point 0 is rho 0: 50 ohm
    const std::vector<std::string> tl = Lines(t.TextImage(false));
    EXPECT_EQ(tl[8], "\u2126                         (Dimension of vertical axes)");
    EXPECT_EQ(tl[13], "     5.00000000000000000E+0001");
    t.SetHorUnit("\u00B5s");
    EXPECT_EQ(Lines(t.TextImage(false))[5], " \u00B5s                         (Dimension of horizontal axes)");
}

TEST(WaveformText, ValuesOnlyHoldsJustThePointLinesAndCannotBeLoaded) {
    const TSignalObj s = SpectrumRecord(32);
    const std::string text = s.TextImage(true);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0], Lines(s.TextImage(false))[13]);
    TSignalObj r = Sentinel();
    EXPECT_FALSE(r.LoadTextImage(text));
    ExpectUnchanged(r);
}

TEST(WaveformText, RoundTripsWaveformsSpectraAndEmptyUnits) {
    TSignalObj w = Waveform(4096);
    for (int i = 0; i < 4096; ++i) w.SetPoint(i, std::sin(i * 0.01) * 1e-3 + 1.0 / 3);
    w.SetOrigin(-2.5e-9);
    w.SetHorUnit("");
    w.SetVertUnit("");
    TSignalObj r;
    r.SetName("kept");
    ASSERT_TRUE(r.LoadTextImage(w.TextImage(false)));
    ExpectSamePoints(w, r);
    EXPECT_EQ(r.Name(), "kept");
    EXPECT_FALSE(r.IsSpectrum());
    EXPECT_EQ(r.HorUnit(), "");
    EXPECT_EQ(r.VertUnit(), "");
    EXPECT_EQ(r.Origin(), -2.5e-9);
    EXPECT_EQ(r.SampleInterval(), 1e-10);
    EXPECT_EQ(r.VertScale(), 0.2);
    EXPECT_EQ(r.VertOffset(), -0.05);

    TSignalObj s = SpectrumRecord(1000);
    s.SetHorUnit("GHz");
    ASSERT_TRUE(r.LoadTextImage(s.TextImage(false)));
    EXPECT_TRUE(r.IsSpectrum());
    EXPECT_EQ(r.Window(), 4);
    EXPECT_EQ(r.HorUnit(), "GHz");
    EXPECT_EQ(r.VertUnit(), "W");
    ExpectSamePoints(s, r);
}

TEST(WaveformText, TdrValuesReadBackAsPlainValuesInTheirUnit) {
    TSignalObj t = Waveform(32);
    t.SetTdrUnit(tdrRho);
    t.SetTdrScale(2);
    t.SetTdrOffset(0.5);
    TSignalObj r;
    r.SetTdrUnit(tdrOhm);
    ASSERT_TRUE(r.LoadTextImage(t.TextImage(false)));
    EXPECT_EQ(r.TdrUnit(), tdrNone);
    EXPECT_EQ(r.VertUnit(), "Rho");
    EXPECT_EQ(r.GetPoint(0), -1.0);
}

TEST(WaveformText, ForeignAndDamagedTextsLeaveTheRecordAlone) {
    const std::string good = SpectrumRecord(32).TextImage(false);
    const std::vector<std::string> lines = Lines(good);
    auto join = [](const std::vector<std::string>& ls) {
        std::string t;
        for (const auto& l : ls) t += l + "\r\n";
        return t;
    };
    std::vector<std::string> bad[9] = {lines, lines, lines, lines, lines, lines, lines, lines, lines};
    bad[0][0] = "This is text form of saved waveform";
    bad[1][2] = "  31                        (Record Length)";
    bad[2][2] = "4097";
    bad[3][6] = "zero        (Shift of the first horizontal point)";
    bad[4][20] = "     1.0E+0000";  // second number of a spectrum point missing
    bad[5].resize(40);              // points cut short
    bad[6].resize(12);              // header cut short
    bad[7][20] = "inf 0";           // values that are not finite
    bad[8][9] = "nan        (Vertical Scale per division)";
    for (const auto& b : bad) {
        TSignalObj r = Sentinel();
        EXPECT_FALSE(r.LoadTextImage(join(b)));
        ExpectUnchanged(r);
    }
    TSignalObj r = Sentinel();
    EXPECT_FALSE(r.LoadTextImage(""));
    ExpectUnchanged(r);
    // Lines ended by LF alone read the same.
    std::string lf = good;
    std::erase(lf, '\r');
    EXPECT_TRUE(r.LoadTextImage(lf));
    EXPECT_EQ(r.Length(), 32);
}

TEST(WaveformText, UnknownWindowNameKeepsTheWindow) {
    std::vector<std::string> lines = Lines(SpectrumRecord(32).TextImage(false));
    lines[4] = "Window: Triangle";
    std::string t;
    for (const auto& l : lines) t += l + "\r\n";
    TSignalObj r;
    r.SetWindow(2);
    ASSERT_TRUE(r.LoadTextImage(t));
    EXPECT_EQ(r.Window(), 2);
}

TEST_F(WaveformFileDir, FilesAreWrittenWholeAndReadBack) {
    const TSignalObj s = SpectrumRecord(256);
    ASSERT_TRUE(s.SaveBinary(Dir / "a.wfm"));
    ASSERT_TRUE(s.SaveText(Dir / "a.txt", false));
    ASSERT_TRUE(s.SaveText(Dir / "a.txty", true));
    EXPECT_EQ(ReadFileBytes(Dir / "a.wfm"), s.BinaryImage());
    EXPECT_EQ(ReadFileBytes(Dir / "a.txty"), s.TextImage(true));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Dir)) ++files;
    EXPECT_EQ(files, 3);  // no temporary file is left behind

    TSignalObj r;
    ASSERT_TRUE(r.LoadBinary(Dir / "a.wfm"));
    ExpectSamePoints(s, r);
    TSignalObj t;
    ASSERT_TRUE(t.LoadText(Dir / "a.txt"));
    ExpectSamePoints(s, t);
    EXPECT_FALSE(t.LoadText(Dir / "a.txty"));
}

TEST_F(WaveformFileDir, FailuresAreReportedNotThrown) {
    TSignalObj r = Sentinel();
    EXPECT_FALSE(r.LoadBinary(Dir / "missing.wfm"));
    EXPECT_FALSE(r.LoadText(Dir / "missing.txt"));
    ExpectUnchanged(r);
    EXPECT_FALSE(Waveform(32).SaveBinary(Dir / "no" / "such" / "folder.wfm"));
    EXPECT_FALSE(Waveform(32).SaveText(Dir / "no" / "such" / "folder.txt", false));
    // A record too short for the file form is refused rather than written unreadable.
    EXPECT_FALSE(Waveform(16).SaveBinary(Dir / "short.wfm"));
    EXPECT_FALSE(fs::exists(Dir / "short.wfm"));
    EXPECT_FALSE(Waveform(16).SaveText(Dir / "short.txt", false));
    // The values-only form is never read back here, so any length is exported.
    ASSERT_TRUE(Waveform(16).SaveText(Dir / "short.txty", true));
    EXPECT_EQ(ReadFileBytes(Dir / "short.txty"), Waveform(16).TextImage(true));
}
