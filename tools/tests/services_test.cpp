// The platform services under the tool: strict code page 932 conversion,
// folder listing with code page 932 names, and UTF-8 named files.
#include <gtest/gtest.h>

#include "cp932_text.h"
#include "folder_walk.h"
#include "host_files.h"
#include "support/tool_fixture.h"

namespace {

class ToolServicesTest : public ToolTest {};

TEST(ToolCp932Test, ConvertsBothWays) {
    struct Case {
        const char* pszUtf8;
        const char* pszCp932;
    };
    const Case cases[] = {
        {"abc\\", "abc\\"},
        {"表", "\x95\x5c"},
        {"ｱ", "\xb1"},
        {"～", "\x81\x60"},  // U+FF5E, the character 0x8160 reads back as
        {"日本語", "\x93\xfa\x96\x7b\x8c\xea"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string strCp932;
        std::string strUtf8;
        EXPECT_TRUE(Utf8ToCp932(c.pszUtf8, strCp932)) << c.pszUtf8;
        EXPECT_EQ(c.pszCp932, strCp932) << c.pszUtf8;
        EXPECT_TRUE(Cp932ToUtf8(c.pszCp932, strUtf8)) << c.pszUtf8;
        EXPECT_EQ(c.pszUtf8, strUtf8);
    }
}

TEST(ToolCp932Test, RefusesWhatHasNoFormOfItsOwn) {
    // ¥ and 〜 (U+301C) have only best-fit stand-ins: 0x5C would become a separator.
    for (const char* pszUtf8 : {"😀", "丂", "¥", "a〜b", "\xff"}) {
        std::string strCp932 = "unchanged";
        EXPECT_FALSE(Utf8ToCp932(pszUtf8, strCp932)) << pszUtf8;
        EXPECT_EQ("unchanged", strCp932);
    }
    std::string strUtf8;
    EXPECT_FALSE(Cp932ToUtf8("a\x82", strUtf8));  // a lead byte cut off at the end
}

TEST_F(ToolServicesTest, ListsNamesInCodePage932OrderWithKindsAndSizes) {
    MakeFile("b", "12345");
    MakeFile("a", "");
    MakeFile("ｱ", "x");          // 0xB1: after the double-byte あ (0x82A0)
    MakeFile("あ", "xy");
    MakeFile("😀", "z");          // no code page 932 form: last
    MakeFolder("dir");
    std::vector<FolderItem> items;
    std::string strError;
    ASSERT_TRUE(ListFolder(Path(""), items, strError)) << strError;
    ASSERT_EQ(6u, items.size());
    const char* const kNames[] = {"a", "b", "dir", "\x82\xa0", "\xb1", ""};
    const char* const kUtf8[] = {"a", "b", "dir", "あ", "ｱ", "😀"};
    const uint64_t kSizes[] = {0, 5, 0, 2, 1, 1};
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(kNames[i], items[i].strName) << i;
        EXPECT_EQ(kUtf8[i], items[i].strUtf8Name) << i;
        EXPECT_EQ(i != 5, items[i].bInCodePage) << i;
        EXPECT_EQ(i == 2 ? ITEM_FOLDER : ITEM_FILE, items[i].kind) << i;
        if (i != 2) {
            EXPECT_EQ(kSizes[i], items[i].nSize) << i;
        }
    }
}

TEST_F(ToolServicesTest, ListingAMissingFolderFailsWithAMessage) {
    std::vector<FolderItem> items;
    std::string strError;
    EXPECT_FALSE(ListFolder(Path("missing"), items, strError));
    EXPECT_FALSE(strError.empty());
    EXPECT_EQ(ITEM_MISSING, KindOfPath(Path("missing")));
}

TEST_F(ToolServicesTest, FilesWithJapaneseNamesAreWrittenReadAndReplaced) {
    MakeFolder("日本語");
    const std::string strTarget = Path("日本語/表.dat");
    std::string strError;
    ASSERT_TRUE(WriteHostFile(strTarget, "old", strError)) << strError;
    const std::string strTemp = TempPathBeside(strTarget);
    ASSERT_TRUE(WriteHostFile(strTemp, "new contents", strError)) << strError;
    ASSERT_TRUE(ReplaceHostFile(strTemp, strTarget, strError)) << strError;
    EXPECT_EQ(ITEM_MISSING, KindOfPath(strTemp));
    std::string strBytes;
    uint64_t nSize = 0;
    ASSERT_TRUE(ReadHostFile(strTarget, 3, strBytes, nSize, strError)) << strError;
    EXPECT_EQ("new", strBytes);  // only as much as asked for
    EXPECT_EQ(12u, nSize);
    EXPECT_FALSE(ReadHostFile(Path("日本語"), 100, strBytes, nSize, strError));
    EXPECT_EQ("it is a folder", strError);
}

TEST_F(ToolServicesTest, SystemFormExistsOnlyForNamesTheSystemCodePageHas) {
    // The tests run with code page 932 as the system's.
    std::string strSystem;
    EXPECT_TRUE(SystemFormOfPath(Path("表.dat"), strSystem));
    EXPECT_NE(std::string::npos, strSystem.find("\x95\x5c.dat"));
    EXPECT_FALSE(SystemFormOfPath(Path("😀.dat"), strSystem));
}

}  // namespace
