#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

#include "core/TextFiles.h"
#include "core/temp_folder.h"

using namespace vt;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

const std::string kMicro = "\xC2\xB5";         // U+00B5
const std::string kClef = "\xF0\x9D\x84\x9E";  // U+1D11E, a surrogate pair in UTF-16

void WriteRaw(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::size_t FilesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(TextFiles, DecodesByByteOrderMarkElseUtf8ElseLatin1) {
    EXPECT_EQ(DecodeText("\xFF\xFE" "A\0\xB5\0"s), "A" + kMicro);
    EXPECT_EQ(DecodeText("\xFE\xFF" "\0A\0\xB5"s), "A" + kMicro);
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF" "x=1"), "x=1");
    EXPECT_EQ(DecodeText("5 " + kMicro + "s"), "5 " + kMicro + "s");
    EXPECT_EQ(DecodeText("5 \xB5s"), "5 " + kMicro + "s");  // an older file's single byte
    EXPECT_EQ(DecodeText(""), "");
    // An odd last byte of UTF-16 is no character.
    EXPECT_EQ(DecodeText("\xFF\xFE" "A\0B"s), "A");
}

TEST(TextFiles, Utf16RoundTripKeepsEveryCharacter) {
    const std::string text = "Ch1 " + kMicro + "V " + kClef + " \xE2\x82\xAC";
    EXPECT_EQ(DecodeText(EncodeUtf16LEWithBom(text)), text);
    const std::string bytes = EncodeUtf16LEWithBom("A");
    EXPECT_EQ(bytes, "\xFF\xFE" "A\0"s);
    EXPECT_EQ(Utf8ToUtf16(kClef).size(), 2u);
    // Broken input becomes U+FFFD instead of passing through.
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00)) + u"b"), "\xEF\xBF\xBD" "b");
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\xFFFD" "b");
}

TEST(TextFiles, Utf8CheckRejectsMalformedSequences) {
    EXPECT_TRUE(IsValidUtf8("plain " + kMicro + kClef));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\x80"));
    EXPECT_EQ(Latin1ToUtf8("\xB5\xE9"), kMicro + "\xC3\xA9");
}

TEST(TextFiles, AtomicWriteReplacesTheFileAndLeavesNothingElse) {
    test::TempFolder dir;
    const fs::path file = dir / "Setup.set";
    WriteFileAtomic(file, "first");
    EXPECT_EQ(ReadFileBytes(file), "first");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    WriteFileAtomic(file, std::string("second\0with a zero", 18));
    EXPECT_EQ(ReadFileBytes(file), std::string("second\0with a zero", 18));
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // the file keeps its permissions
    WriteFileAtomic(file, "");
    EXPECT_EQ(ReadFileBytes(file), "");
}

TEST(TextFiles, ReadOnlyTargetIsRefusedAndKept) {
    test::TempFolder dir;
    const fs::path file = dir / "CalibrImit.ini";
    WriteRaw(file, "kept");
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_THROW(WriteFileAtomic(file, "lost"), EFileError);
    EXPECT_EQ(ReadFileBytes(file), "kept");
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

TEST(TextFiles, FailuresRaiseFileErrors) {
    test::TempFolder dir;
    EXPECT_THROW(ReadFileBytes(dir / "missing.txt"), EFileError);
    EXPECT_THROW(WriteFileAtomic(dir / "no folder" / "x.txt", "x"), EFileError);
    EXPECT_THROW(WriteFileAtomic(dir.Path(), "x"), EFileError);  // a folder, not a file
    try {
        ReadFileBytes(dir / "missing.txt");
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos);
    }
}

TEST(TextFiles, WritingThroughALinkReplacesTheFileItNames) {
    test::TempFolder dir;
    const fs::path real = dir / "real.ini";
    const fs::path link = dir / "link.ini";
    WriteRaw(real, "old");
    fs::create_symlink(real, link);
    WriteFileAtomic(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(real), "new");
}

TEST(TextFiles, EveryNameThatFitsIsWrittenAndOnlyTheTemporaryFilesOfEndedWritersAreCleared) {
    test::TempFolder dir;
    // Up to the folder's longest name: the temporary file's name never makes a fitting one fail.
    const auto longest = static_cast<std::size_t>(::pathconf(dir.Path().c_str(), _PC_NAME_MAX));
    for (const std::size_t length : {std::size_t{200}, std::size_t{230}, std::size_t{250}, longest}) {
        const fs::path file = dir / (std::string(length - 4, 'n') + ".set");
        EXPECT_NO_THROW(WriteFileAtomic(file, "x")) << length;
        EXPECT_EQ(ReadFileBytes(file), "x") << length;
    }
    EXPECT_EQ(FilesIn(dir.Path()), 4u) << "no temporary file stays";
    EXPECT_THROW(WriteFileAtomic(dir / (std::string(longest - 3, 'n') + ".set"), "x"), EFileError);

    // Left by writers that ended (pids beyond any the system gives), in the short and the older long
    // form, below a folder; those of a running writer and the user's own files stay.
    const fs::path sub = dir / "Waveforms" / "Waveform Files";
    fs::create_directories(sub);
    char own[32];
    std::snprintf(own, sizeof own, ".vt%08x-0000abcd.tmp", static_cast<unsigned>(::getpid()));
    const std::vector<std::pair<fs::path, bool>> files = {
        {sub / ".vt7ffffff0-0123abcd.tmp", true},
        {dir / ".db.cgs.tmp2147483600_123456_0", true},
        {sub / own, false},
        {sub / ".vt7ffffff0-0123abcd.tmp.keep", false},
        {sub / ".vt7ffffff0_0123abcd.tmp", false},
        {sub / "notes.tmp2147483600_1_2", false},
        {dir / ".hidden.tmp", false},
    };
    for (const auto& [file, _] : files) WriteRaw(file, "half");
    EXPECT_EQ(RemoveStaleTemporaryFiles(dir.Path()), 2);
    for (const auto& [file, stale] : files) EXPECT_NE(fs::exists(file), stale) << file;
}
