// The byte rules of code page 932 the tool applies to names, and how it shows
// texts: each case here is a way a double-byte character could be misread.
#include <gtest/gtest.h>

#include "cp932_text.h"
#include "names.h"
#include "options.h"
#include "texts.h"
#include "tree.h"

namespace {

TEST(ToolTextsTest, ShowsCodePage932InUtf8AndEscapesWhatIsNoCharacter) {
    struct Case {
        const char* pszBytes;
        const char* pszShown;
        bool bExact;
    };
    const Case cases[] = {
        {"abc", "abc", true},
        {"bin\\\x95\x5c", "bin\\表", true},
        {"\xb1", "ｱ", true},
        {"A\x82", "A\\x82", false},              // a lead byte without its trail
        {"\x82\xa0\x82", "あ\\x82", false},
        {"x\x01y\x7f", "x\\x01y\\x7F", false},   // control bytes never reach a terminal
        {"\x80\xa0\xfd", "\\x80\\xA0\\xFD", false},  // no characters, whatever a converter maps them to
    };
    for (const Case& c : cases) {
        bool bExact = !c.bExact;
        EXPECT_EQ(c.pszShown, ShowCp932(c.pszBytes, &bExact)) << c.pszShown;
        EXPECT_EQ(c.bExact, bExact) << c.pszShown;
    }
}

TEST(ToolTextsTest, ShowsFileSystemNamesWithBadBytesEscaped) {
    EXPECT_EQ("日本語.txt", ShowUtf8("日本語.txt"));
    EXPECT_EQ("a\\xFFb", ShowUtf8("a\xff" "b"));
    EXPECT_EQ("\\xE6\\x97", ShowUtf8("\xe6\x97"));  // a sequence cut short
    EXPECT_EQ("\\xC0\\xAF", ShowUtf8("\xc0\xaf"));  // an overlong '/'
    EXPECT_EQ("\\x1B[2J", ShowUtf8("\x1b[2J"));
}

TEST(ToolTextsTest, NamesTheCharactersOutsideCodePage932) {
    EXPECT_EQ("😀 (U+1F600), 丂 (U+4E02)", CharactersOutsideCp932("a😀表丂"));
    // Mapped one way only: the way back gives another character.
    EXPECT_EQ("¥ (U+00A5)", CharactersOutsideCp932("¥"));
    EXPECT_EQ("", CharactersOutsideCp932("日本語"));
}

TEST(ToolTextsTest, JsonStringsEscapeQuotesBackslashesAndControls) {
    EXPECT_EQ("\"a\\\\b\\\"c\\u0001\"", JsonString("a\\b\"c\x01"));
    EXPECT_EQ("\"表\"", JsonString("表"));
}

TEST(ToolTextsTest, TrailByteBackslashEndsOnlyADoubleByteCharacter) {
    struct Case {
        const char* pszName;
        bool bTrail;
    };
    const Case cases[] = {
        {"\x95\x5c", true},            // 表
        {"a\x95\x5c", true},           // a表
        {"\x97\x5c\x92\xe8", false},   // 予定: 0x5C inside, not at the end
        {"\x95\x5c" "a", false},
        {"a\\", false},                // a separator of its own
        {"\x82\xa0\\", false},         // あ, then a separator
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.bTrail, EndsWithTrailBackslash(c.pszName)) << ShowCp932(c.pszName);
}

TEST(ToolTextsTest, CaseFoldingLeavesTrailBytesAlone) {
    EXPECT_EQ("readme.txt", FoldCp932Case("ReadMe.TXT"));
    EXPECT_EQ("\x83\x41", FoldCp932Case("\x83\x41"));  // ア: its trail byte is 'A'
    EXPECT_EQ("\x82\x60", FoldCp932Case("\x82\x60"));  // Ａ stays full width
}

TEST(ToolTextsTest, SeparatorsAreFoundOnlyAsCharactersOfTheirOwn) {
    const std::string strPath = "a\\\x95\x5c\\b";  // a\表\b
    EXPECT_EQ(5u, AfterLastSeparator(strPath, strPath.size()));
    EXPECT_EQ(2u, AfterLastSeparator(strPath, 4));   // 表's 0x5C is no separator
    EXPECT_EQ(0u, AfterLastSeparator("\x95\x5c", 2));
}

TEST(ToolTextsTest, WindowsNameRules) {
    struct Case {
        const char* pszName;
        bool bRefused;
    };
    const Case cases[] = {
        {"readme.txt", false},
        {"\x95\x5c", false},        // 表: its 0x5C is a trail byte
        {"\x83\x7c", false},        // ポ: its 0x7C is a trail byte, not '|'
        {"a\\b", true},             // a backslash of its own
        {"a|b", true},
        {"a<b", true},
        {"a?", true},
        {"tab\there", true},
        {"name.", true},
        {"name ", true},
        {"CON", true},
        {"nul.txt", true},
        {"Com1", true},
        {"lpt9.log", true},
        {"COM0", false},
        {"console", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.bRefused, WindowsNameProblem(c.pszName) != nullptr) << ShowCp932(c.pszName);
    }
}

TEST(ToolTextsTest, TotalAmountWrapsModulo2To32AndSkipsFolders) {
    const std::vector<TreeEntry> entries = {
        {"a", false, 0x7FFFFFFF},
        {"d\\", true, 5},
        {"b", false, 0x7FFFFFFF},
        {"c", false, 3},
    };
    EXPECT_EQ(1, TotalAmount(entries));  // 0xFFFFFFFE + 3 = 2^32 + 1
}

TEST(ToolTextsTest, ParsesNumbersAndAmountModesStrictly) {
    uint32_t n = 0;
    EXPECT_TRUE(ParseUnsigned32("4294967295", n));
    EXPECT_EQ(4294967295u, n);
    EXPECT_TRUE(ParseUnsigned32("0x1F", n));
    EXPECT_EQ(31u, n);
    for (const char* pszBad : {"", "4294967296", "-1", "12a", "0x", "0x100000000", " 1"}) {
        EXPECT_FALSE(ParseUnsigned32(pszBad, n)) << pszBad;
    }
    AmountMode mode = AMOUNT_ZERO;
    EXPECT_TRUE(ParseAmountMode("kib", mode));
    EXPECT_EQ(AMOUNT_KIB, mode);
    EXPECT_FALSE(ParseAmountMode("KiB", mode));
}

TEST(ToolTextsTest, DefaultOutputLiesBesideTheFolder) {
    EXPECT_EQ("bundle/Updateinf.dat", BesideFolder("bundle/data", "Updateinf.dat"));
    EXPECT_EQ("bundle/Updateinf.dat", BesideFolder("bundle/data/", "Updateinf.dat"));
    EXPECT_EQ("Updateinf.dat", BesideFolder("data", "Updateinf.dat"));
    EXPECT_EQ("/Updateinf.dat", BesideFolder("/data", "Updateinf.dat"));
    EXPECT_TRUE(DirectlyInFolder("tree/Uninstallinf.dat", "tree/"));
    EXPECT_TRUE(DirectlyInFolder("Uninstallinf.dat", "."));
    EXPECT_FALSE(DirectlyInFolder("tree/sub/Uninstallinf.dat", "tree"));
    EXPECT_EQ("Uninstallinf.dat", LastComponent("tree/Uninstallinf.dat"));
}

}  // namespace
