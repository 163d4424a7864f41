#include <gtest/gtest.h>

#include "support/manifest_builder.h"
#include "validate.h"

namespace {

TEST(ValidateTest, DoubleByteCharactersAreNotSeparators) {
    // 表 (0x95 0x5C) followed by "..": one component "表..", not a parent.
    EXPECT_EQ(PATH_OK, CheckUpdatePath(MakeEntry("\x95\x5C..\\x")));
    EXPECT_EQ(PATH_OK, CheckUpdatePath(MakeEntry("\x95\x5C")));
    EXPECT_EQ(PATH_PARENT, CheckUpdatePath(MakeEntry("\x95\x5C\\..\\x")));
    EXPECT_EQ(PATH_PARENT, CheckUpdatePath(MakeEntry("a\\. .\\x")));
    EXPECT_EQ(PATH_PARENT, CheckUpdatePath(MakeEntry("a\\...")));
    EXPECT_EQ(PATH_OK, CheckUpdatePath(MakeEntry("a\\.\\b")));
    EXPECT_EQ(PATH_OK, CheckUpdatePath(MakeEntry("dir\\")));
}

TEST(ValidateTest, RecordsFitTheFileWithoutWrapping) {
    EXPECT_TRUE(RecordsFit(396, 396, 0));
    EXPECT_FALSE(RecordsFit(395, 396, 0));
    EXPECT_TRUE(RecordsFit(396 + 268, 396, 1));
    EXPECT_FALSE(RecordsFit(396 + 267, 396, 1));
    // 16,025,998 records need more than 2^32 - 1 bytes, whatever the file holds.
    EXPECT_TRUE(RecordsFit(1ull << 40, 396, 16025997u));
    EXPECT_FALSE(RecordsFit(1ull << 40, 396, 16025998u));
}

TEST(ValidateTest, EveryProblemHasAText) {
    for (PathProblem p : {PATH_UNTERMINATED, PATH_EMPTY, PATH_TOO_LONG, PATH_ABSOLUTE, PATH_COLON, PATH_PARENT}) {
        EXPECT_STRNE("unknown problem", DescribePathProblem(p));
    }
    for (HeaderProblem p : {HEADER_UNTERMINATED_TEXT, HEADER_PRODUCT_TOO_LONG}) {
        EXPECT_STRNE("unknown problem", DescribeHeaderProblem(p));
    }
}

}  // namespace
