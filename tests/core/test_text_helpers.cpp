#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "core/TextHelpers.h"

using namespace vt;

TEST(TextHelpers, ParenthesesBlanksAndWideFields) {
    EXPECT_EQ(StripParentheses("Gain (dB) x"), "Gain  x");
    EXPECT_EQ(StripParentheses("a(b)c(d)"), "ac(d)");
    EXPECT_EQ(StripParentheses("no parts"), "no parts");
    EXPECT_EQ(StripParentheses("open (only"), "open (only");
    EXPECT_EQ(StripParentheses(") before ("), ") before (");
    EXPECT_EQ(RemoveBlanks(" SR 4 2 0 "), "SR420");
    EXPECT_EQ(ReplyLine("ELECTRICAL OUTPUT\r\nis not connected.\rOK\n"), "ELECTRICAL OUTPUT is not connected. OK");

    char16_t field[6];
    std::fill(std::begin(field), std::end(field), u'#');
    StrToWideBuf(field, 3, u"ab");
    EXPECT_EQ(std::u16string(field, 6), std::u16string(u"ab\0\0##", 6));
    StrToWideBuf(field, 3, u"abcdefg");
    EXPECT_EQ(std::u16string(field, 6), u"abcd##");
}

TEST(TextHelpers, HexListsEndAtAnotherCharacterOrAnOverlongNumber) {
    std::int32_t v[4] = {};
    EXPECT_EQ(ParseIntList("1A, ff\t,  10", v), 3);
    EXPECT_EQ(v[0], 0x1A);
    EXPECT_EQ(v[1], 0xFF);
    EXPECT_EQ(v[2], 0x10);
    EXPECT_EQ(ParseIntList("1 2 3 4 5 6", v), 4);
    EXPECT_EQ(v[3], 4);
    EXPECT_EQ(ParseIntList("7 8 x 9", v), -2);
    EXPECT_EQ(ParseIntList("7 8x", v), -1);
    EXPECT_EQ(ParseIntList(" , ", v), 0);
    EXPECT_EQ(ParseIntList("FFFFFFFF 00000000001", v), 2);
    EXPECT_EQ(v[0], -1);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(ParseIntList("5 100000000", v), -1);  // more than 32 bits
}
