#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "codepage.h"
#include "path.h"
#include "support/scratch.h"

namespace {

// "表" in code page 932: its second byte is a backslash.
const char kHyo[] = "\x95\x5C";


class CodePageScope {
public:
    explicit CodePageScope(UINT nCodePage) { UseCodePage(nCodePage); }
    ~CodePageScope() { LoadActiveCodePage(); }
};

std::string Parent(const std::string& strSource) {
    std::string strDest(strSource.size() + 1, 'X');
    ParentDirectory(&strDest[0], strSource.c_str());
    return strDest.c_str();
}

std::string WithBackslash(const std::string& strPath) {
    char szBuffer[MAX_PATH + 2];
    std::memset(szBuffer, 'X', sizeof szBuffer);
    std::strcpy(szBuffer, strPath.c_str());
    return AddTrailingBackslash(szBuffer);
}

struct ByteTypeCase {
    const char* pszBytes;
    unsigned nOffset;
    int nExpected;
};

TEST(ByteTypeAtTest, ClassifiesCodePage932Bytes) {
    CodePageScope scope(932);
    const ByteTypeCase cases[] = {
        {"A", 0, BYTE_SINGLE},
        {"A", 1, BYTE_ILLEGAL},             // the terminator
        {"\x95\x5C", 0, BYTE_LEAD},
        {"\x95\x5C", 1, BYTE_TRAIL},
        {"\x81\x81\x5C", 1, BYTE_TRAIL},    // a lead-set value in trail position
        {"\x81\x81\x5C", 2, BYTE_SINGLE},
        {"\xB1\x5C", 0, BYTE_SINGLE},       // half-width katakana
        {"\xB1\x5C", 1, BYTE_SINGLE},
        {"\x81\x0A\x5C", 1, BYTE_ILLEGAL},  // not a trail byte
        {"\x81\x0A\x5C", 2, BYTE_SINGLE},
        {"\x80\x5C", 0, BYTE_ILLEGAL},
        {"\xFD", 0, BYTE_ILLEGAL},
        {"\x1F", 0, BYTE_ILLEGAL},
        {"\x7F", 0, BYTE_ILLEGAL},
        {"\x83\x41\x5C", 2, BYTE_SINGLE},   // "ア" then a separator
        {"\x95\x5C\x95\x5C", 3, BYTE_TRAIL},
    };
    for (const ByteTypeCase& c : cases) {
        EXPECT_EQ(c.nExpected, ByteTypeAt(c.pszBytes, c.nOffset))
            << "bytes " << testing::PrintToString(std::string(c.pszBytes)) << " at " << c.nOffset;
    }
}

TEST(ByteTypeAtTest, OtherDoubleByteTables) {
    struct Case {
        UINT nCodePage;
        const char* pszBytes;
        unsigned nOffset;
        int nExpected;
    };
    const Case cases[] = {
        {936, "\x81\x40", 1, BYTE_TRAIL},   {936, "\xA1\x5C", 1, BYTE_TRAIL},
        {936, "\xB1", 0, BYTE_LEAD},        {949, "\x81\x40", 1, BYTE_ILLEGAL},
        {949, "\x81\x41", 1, BYTE_TRAIL},   {950, "\x81\x80", 1, BYTE_ILLEGAL},
        {950, "\x81\x5C", 1, BYTE_TRAIL},   {1361, "\xD4\x5C", 0, BYTE_ILLEGAL},
        {1361, "\xD8\x31", 1, BYTE_TRAIL},  {1361, "\xE0\x80", 1, BYTE_ILLEGAL},
    };
    for (const Case& c : cases) {
        CodePageScope scope(c.nCodePage);
        EXPECT_EQ(c.nExpected, ByteTypeAt(c.pszBytes, c.nOffset))
            << "code page " << c.nCodePage << " bytes "
            << testing::PrintToString(std::string(c.pszBytes)) << " at " << c.nOffset;
    }
}

TEST(ByteTypeAtTest, SingleByteCodePagesNeverLookAtTheString) {
    for (UINT nCodePage : {1252u, 65001u, 65000u, 12345u}) {
        CodePageScope scope(nCodePage);
        EXPECT_EQ(BYTE_SINGLE, ByteTypeAt(kHyo, 1)) << nCodePage;
        EXPECT_EQ(BYTE_SINGLE, ByteTypeAt("", 0)) << nCodePage;
    }
}

TEST(ParentDirectoryTest, CodePage932) {
    CodePageScope scope(932);
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\", "C:"},
        {"C:\\A\\", "C:\\A"},
        {"C:\\A\\b.txt", "C:\\A"},
        {std::string("C:\\") + kHyo, "C:"},
        {std::string("C:\\") + kHyo + "\\x", std::string("C:\\") + kHyo},
        {"C:\\\x81\x81\\x", "C:\\\x81\x81"},
        {"C:\\\xB1\\x", "C:\\\xB1"},
        {"", ""},
        {"a", ""},
        {"\\", ""},
        {"\\x", ""},  // offset 0 is never a cut
        {"\\\\server\\share", "\\\\server"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, Parent(c.first)) << testing::PrintToString(c.first);
    }
}

TEST(ParentDirectoryTest, SingleByteCodePageCutsAtEveryBackslash) {
    CodePageScope scope(1252);
    EXPECT_EQ("C:\\\x95", Parent(std::string("C:\\") + kHyo));
}

TEST(StripFileNameTest, LeavesTheDirectoryInPlace) {
    CodePageScope scope(932);
    char szPath[MAX_PATH] = "C:\\x.exe";
    EXPECT_EQ(szPath, StripFileName(szPath));
    EXPECT_STREQ("C:", szPath);
    std::strcpy(szPath, "\\\\srv\\share\\dir\\Update.exe");
    EXPECT_STREQ("\\\\srv\\share\\dir", StripFileName(szPath));
}

TEST(StripFileNameTest, OverlongPathIsCutInsteadOfOverrun) {
    CodePageScope scope(932);
    char szPath[400];
    std::memset(szPath, 'a', sizeof szPath - 1);
    szPath[sizeof szPath - 1] = '\0';
    szPath[100] = '\\';
    StripFileName(szPath);
    EXPECT_EQ(100u, std::strlen(szPath));
}

TEST(AddTrailingBackslashTest, CodePage932) {
    CodePageScope scope(932);
    const std::pair<std::string, std::string> cases[] = {
        {"C:", "C:\\"},
        {"C:\\", "C:\\"},
        {"C:\\A", "C:\\A\\"},
        {std::string("C:\\") + kHyo, std::string("C:\\") + kHyo + "\\"},
        {"C:\\\x81\x81\\", "C:\\\x81\x81\\"},
        {"", ""},
        {"a", "a"},
        {"\\", "\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, WithBackslash(c.first)) << testing::PrintToString(c.first);
    }
}

TEST(AddTrailingBackslashTest, SingleByteCodePageTakesTheTrailByteAsSeparator) {
    CodePageScope scope(1252);
    EXPECT_EQ(std::string("C:\\") + kHyo, WithBackslash(std::string("C:\\") + kHyo));
}

TEST(AddTrailingBackslashTest, StripThenAddRestoresTheDriveRoot) {
    CodePageScope scope(932);
    char szPath[MAX_PATH] = "C:\\x.exe";
    AddTrailingBackslash(StripFileName(szPath));
    EXPECT_STREQ("C:\\", szPath);
}

TEST(CreateDirectoryChainTest, CreatesEveryLevel) {
    ScratchDir scratch;
    EXPECT_TRUE(CreateDirectoryChain((scratch / "A\\B\\C\\").c_str()));
    EXPECT_TRUE(DirectoryExists(scratch / "A"));
    EXPECT_TRUE(DirectoryExists(scratch / "A\\B"));
    EXPECT_TRUE(DirectoryExists(scratch / "A\\B\\C"));
    // Existing levels are no obstacle.
    EXPECT_TRUE(CreateDirectoryChain((scratch / "A\\B\\D").c_str()));
    EXPECT_TRUE(DirectoryExists(scratch / "A\\B\\D"));
}

TEST(CreateDirectoryChainTest, KeepsDoubleByteCharactersWhole) {
    ScratchDir scratch;
    // 表\子\ : the 0x5C inside 表 must not split the name.
    const std::string strPath = scratch / (std::string(kHyo) + "\\\x8E\x71\\");
    EXPECT_TRUE(CreateDirectoryChain(strPath.c_str()));
    EXPECT_TRUE(DirectoryExists(scratch / kHyo));
    EXPECT_TRUE(DirectoryExists(scratch / (std::string(kHyo) + "\\\x8E\x71")));
}

TEST(CreateDirectoryChainTest, EmptyAndUncreatablePathsStillReturnTrue) {
    EXPECT_TRUE(CreateDirectoryChain(""));
    ScratchDir scratch;
    WriteBytes(scratch / "file", "x");
    // A file in the way: nothing can be created beneath it.
    EXPECT_TRUE(CreateDirectoryChain((scratch / "file\\sub\\").c_str()));
    EXPECT_FALSE(DirectoryExists(scratch / "file\\sub"));
}

TEST(CreateDirectoryChainTest, OverlongPathStopsAtTheBuffer) {
    ScratchDir scratch;
    std::string strPath = scratch.Path();
    while (strPath.size() < 400) strPath += "d\\";
    EXPECT_TRUE(CreateDirectoryChain(strPath.c_str()));
    EXPECT_TRUE(DirectoryExists(scratch / "d\\d"));
}

}  // namespace
