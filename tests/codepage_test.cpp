#include <gtest/gtest.h>

#include "codepage.h"
#include "winapi.h"

namespace {

// The test run uses a Japanese locale, as the systems the product is made for.
TEST(CodePageTest, SystemCodePageIs932) {
    EXPECT_EQ(932u, GetACP());
    EXPECT_EQ(932u, ActiveCodePage().nCodePage);
    EXPECT_TRUE(ActiveCodePage().bDoubleByte);
}

TEST(CodePageTest, SystemLeadBytesAgreeWithTheBuiltInTable) {
    for (UINT nCodePage : {932u, 936u, 949u, 950u}) {
        CPINFO info;
        ASSERT_TRUE(GetCPInfo(nCodePage, &info)) << nCodePage;
        EXPECT_EQ(2u, info.MaxCharSize) << nCodePage;
        const BYTE* pRanges = BuiltInLeadByteRanges(nCodePage);
        ASSERT_NE(nullptr, pRanges);
        for (int i = 0; i < MAX_LEADBYTES; ++i) {
            EXPECT_EQ(pRanges[i], info.LeadByte[i]) << nCodePage << " at " << i;
            if (pRanges[i] == 0) break;
        }
    }
}

TEST(CodePageTest, SingleByteAndUnknownCodePages) {
    for (UINT nCodePage : {1252u, 1251u, 65001u, 65000u, 4242u}) {
        CodePageBytes bytes;
        DescribeCodePage(nCodePage, bytes);
        EXPECT_FALSE(bytes.bDoubleByte) << nCodePage;
    }
    CPINFO info;
    EXPECT_FALSE(GetCPInfo(4242, &info));
}

TEST(CodePageTest, Table932) {
    CodePageBytes bytes;
    DescribeCodePage(932, bytes);
    EXPECT_EQ(BYTE_CLASS_LEAD | BYTE_CLASS_TRAIL, bytes.abClass[0x81]);
    EXPECT_EQ(BYTE_CLASS_SINGLE | BYTE_CLASS_TRAIL, bytes.abClass[0x5C]);
    EXPECT_EQ(BYTE_CLASS_SINGLE | BYTE_CLASS_TRAIL, bytes.abClass[0xB1]);
    EXPECT_EQ(BYTE_CLASS_TRAIL, bytes.abClass[0x80]);
    EXPECT_EQ(0, bytes.abClass[0xFD]);
    EXPECT_EQ(0, bytes.abClass[0x7F]);
    EXPECT_EQ(BYTE_CLASS_SINGLE, bytes.abClass[0x20]);
}

}  // namespace
