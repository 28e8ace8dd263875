#include <gtest/gtest.h>

#include "core/IpAddress.h"

using namespace vt;

TEST(IpAddress, TextAndLayouts) {
    TIpAddress a;
    ASSERT_TRUE(TextToIpAddress("192.168.0.17", a));
    EXPECT_EQ(a.Valid, 1);
    EXPECT_EQ(a.Bytes[0], 192);
    EXPECT_EQ(a.Bytes[3], 17);
    TIpAddress b;
    ASSERT_TRUE(TextToIpAddress("  192 . 168 . 0 . 17", b));
    EXPECT_TRUE(SameIpAddress(a, b));
    ASSERT_TRUE(TextToIpAddress("300.1.1.1", b));
    EXPECT_EQ(b.Bytes[0], 44);
    EXPECT_FALSE(SameIpAddress(a, b));

    EXPECT_FALSE(TextToIpAddress("10.0.0", b));
    EXPECT_EQ(b.Valid, 0);
    EXPECT_FALSE(TextToIpAddress("10.x.0.1", b));
    EXPECT_FALSE(TextToIpAddress("10.0.0.1.5", b));
    EXPECT_FALSE(TextToIpAddress("", b));
    EXPECT_FALSE(SameIpAddress(b, b));

    EXPECT_EQ(FormatIpAddress(a, 0), "192 168 0 17");
    EXPECT_EQ(FormatIpAddress(a, 1), "  192 . 168 . 0 . 17");
    EXPECT_EQ(FormatIpAddress(a, 2), "192.168.0.17");
    EXPECT_EQ(FormatIpAddress(TIpAddress{}, 1), "___ . ___ . ___ . ___");
    EXPECT_EQ(IpAddressToText(a), "192.168.0.17");
    EXPECT_EQ(IpAddressToText(TIpAddress{}), "???.???.???.???");
}
