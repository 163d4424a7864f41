#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "manifest.h"
#include "merge.h"
#include "support/manifest_builder.h"
#include "support/tables.h"

namespace {

class MergeTest : public testing::Test {
protected:
    void TearDown() override { FreeManifestTables(); }
};

TEST_F(MergeTest, FileEntryUpdatesTheMatchingRecordWhateverItsCase) {
    UseTables({MakeEntry("BIN\\APP.EXE", 30, 2)}, {MakeEntry("bin\\", 0, 0), MakeEntry("bin\\App.exe", 10, 1)});
    g_uninstallHeader.lTotalAmount = 10;
    g_uninstallHeader.dwAddedCount = 4;
    MergeUninstallEntry(g_pUpdateEntries[0], false);
    ASSERT_EQ(2u, g_uninstallHeader.dwEntryCount);
    EXPECT_STREQ("bin\\App.exe", g_pUninstallEntries[1].szPath);  // keeps its own case
    EXPECT_EQ(30, g_pUninstallEntries[1].lAmount);
    EXPECT_EQ(2u, g_pUninstallEntries[1].dwInfo);
    EXPECT_EQ(30, g_uninstallHeader.lTotalAmount);
    EXPECT_EQ(4u, g_uninstallHeader.dwAddedCount);
}

TEST_F(MergeTest, SameAmountKeepsTheTotalButTakesTheInfo) {
    UseTables({MakeEntry("a.txt", 7, 99)}, {MakeEntry("a.txt", 7, 1)});
    g_uninstallHeader.lTotalAmount = 100;
    MergeUninstallEntry(g_pUpdateEntries[0], false);
    EXPECT_EQ(100, g_uninstallHeader.lTotalAmount);
    EXPECT_EQ(99u, g_pUninstallEntries[0].dwInfo);
}

TEST_F(MergeTest, UnmatchedFileIsAppendedAndCounted) {
    UseTables({MakeEntry("new.dll", 25, 3)}, {MakeEntry("old.dll", 5, 0)});
    g_uninstallHeader.lTotalAmount = 5;
    MergeUninstallEntry(g_pUpdateEntries[0], false);
    ASSERT_EQ(2u, g_uninstallHeader.dwEntryCount);
    EXPECT_EQ(1u, g_uninstallHeader.dwAddedCount);
    EXPECT_EQ(30, g_uninstallHeader.lTotalAmount);
    const FileEntry expected = MakeEntry("new.dll", 25, 3);
    EXPECT_EQ(0, std::memcmp(&expected, &g_pUninstallEntries[1], sizeof expected));
}

TEST_F(MergeTest, DirectoryRules) {
    UseTables({MakeEntry("Data\\", 50, 8), MakeEntry("docs\\", 60, 9)}, {MakeEntry("data\\", 1, 1), MakeEntry("docs", 2, 2)});
    g_uninstallHeader.lTotalAmount = 3;
    // Listed already: nothing changes, not even the amount.
    MergeUninstallEntry(g_pUpdateEntries[0], true);
    EXPECT_EQ(2u, g_uninstallHeader.dwEntryCount);
    EXPECT_EQ(1, g_pUninstallEntries[0].lAmount);
    EXPECT_EQ(1u, g_pUninstallEntries[0].dwInfo);
    // "docs\" is not "docs": appended, with its amount, but neither counted nor summed.
    MergeUninstallEntry(g_pUpdateEntries[1], true);
    ASSERT_EQ(3u, g_uninstallHeader.dwEntryCount);
    EXPECT_STREQ("docs\\", g_pUninstallEntries[2].szPath);
    EXPECT_EQ(60, g_pUninstallEntries[2].lAmount);
    EXPECT_EQ(0u, g_uninstallHeader.dwAddedCount);
    EXPECT_EQ(3, g_uninstallHeader.lTotalAmount);
}

TEST_F(MergeTest, DuplicatesInOneUpdateMatchTheRecordTheFirstAppended) {
    UseTables({MakeEntry("x.txt", 5, 1), MakeEntry("X.TXT", 8, 2), MakeEntry("d\\", 0, 0), MakeEntry("D\\", 0, 0)}, {});
    MergeUninstallEntry(g_pUpdateEntries[0], false);
    MergeUninstallEntry(g_pUpdateEntries[1], false);
    MergeUninstallEntry(g_pUpdateEntries[2], true);
    MergeUninstallEntry(g_pUpdateEntries[3], true);
    ASSERT_EQ(2u, g_uninstallHeader.dwEntryCount);
    EXPECT_STREQ("x.txt", g_pUninstallEntries[0].szPath);
    EXPECT_EQ(8, g_pUninstallEntries[0].lAmount);
    EXPECT_EQ(1u, g_uninstallHeader.dwAddedCount);
    EXPECT_EQ(8, g_uninstallHeader.lTotalAmount);
}

TEST_F(MergeTest, TotalWrapsModulo2To32) {
    UseTables({MakeEntry("a", 1, 0), MakeEntry("b", INT32_MIN, 0), MakeEntry("a", -5, 0)}, {});
    g_uninstallHeader.lTotalAmount = INT32_MAX;
    MergeUninstallEntry(g_pUpdateEntries[0], false);
    EXPECT_EQ(INT32_MIN, g_uninstallHeader.lTotalAmount);
    MergeUninstallEntry(g_pUpdateEntries[1], false);
    EXPECT_EQ(0, g_uninstallHeader.lTotalAmount);
    // Replacing 1 by -5 subtracts 6.
    MergeUninstallEntry(g_pUpdateEntries[2], false);
    EXPECT_EQ(-6, g_uninstallHeader.lTotalAmount);
}

TEST_F(MergeTest, AppendZeroesTheBytesAfterTheTerminator) {
    FileEntry entry = MakeEntry("short", 0, 0);
    std::memset(entry.szPath + 6, 'Z', sizeof entry.szPath - 6);
    UseTables({entry}, {});
    MergeUninstallEntry(g_pUpdateEntries[0], false);
    EXPECT_STREQ("short", g_pUninstallEntries[0].szPath);
    for (size_t i = 5; i < sizeof entry.szPath; ++i) ASSERT_EQ(0, g_pUninstallEntries[0].szPath[i]) << i;
}

// A run of merges through one set of keys ends exactly where merging the
// entries one by one does, duplicates and case variants included.
TEST_F(MergeTest, KeptKeysMergeLikeSingleMerges) {
    std::vector<FileEntry> update;
    const char* const paths[] = {"a.txt", "A.TXT", "dir\\", "DIR\\", "dir", "b\\c.bin", "B\\C.BIN",
                                 "\x83\x41", "\x83\x61", "\x82\x60", "\x82\x81", "old.txt"};
    int32_t lAmount = 1;
    for (const char* pszPath : paths) {
        update.push_back(MakeEntry(pszPath, lAmount, static_cast<uint32_t>(lAmount) * 3));
        ++lAmount;
    }
    const std::vector<FileEntry> uninstall = {MakeEntry("OLD.txt", 50, 0), MakeEntry("keep", 7, 0)};

    UseTables(update, uninstall);
    for (const FileEntry& entry : update) MergeUninstallEntry(entry, entry.szPath[std::strlen(entry.szPath) - 1] == '\\');
    const std::vector<FileEntry> expected = UninstallRecords();
    const UninstallHeader expectedHeader = g_uninstallHeader;

    UseTables(update, uninstall);
    UninstallMerge merge;
    for (const FileEntry& entry : update) merge.Merge(entry, entry.szPath[std::strlen(entry.szPath) - 1] == '\\');
    ASSERT_EQ(expected.size(), g_uninstallHeader.dwEntryCount);
    EXPECT_EQ(0, std::memcmp(expected.data(), g_pUninstallEntries, expected.size() * sizeof(FileEntry)));
    EXPECT_EQ(0, std::memcmp(&expectedHeader, &g_uninstallHeader, sizeof expectedHeader));
    EXPECT_EQ(9u, g_uninstallHeader.dwEntryCount);  // old, keep, a, dir\, dir, b\c, ア, ヂ-less: Ａ, ａ
}

TEST_F(MergeTest, FindsTheRecordWhereverItStandsInTheTable) {
    std::vector<FileEntry> uninstall;
    for (int n = 0; n < 21; ++n) uninstall.push_back(MakeEntry("file" + std::to_string(n), n, 0));
    std::vector<FileEntry> update;
    for (int n = 20; n >= 0; --n) update.push_back(MakeEntry("FILE" + std::to_string(n), 100 + n, 0));
    UseTables(update, uninstall);
    UninstallMerge merge;
    for (const FileEntry& entry : update) merge.Merge(entry, false);
    ASSERT_EQ(21u, g_uninstallHeader.dwEntryCount);
    for (int n = 0; n < 21; ++n) EXPECT_EQ(100 + n, g_pUninstallEntries[n].lAmount) << n;
}

// Two paths whose keys agree: the key only narrows the search, the path decides.
TEST_F(MergeTest, PathsWithEqualKeysStayApart) {
    // Found by trying "p0", "p1", ... until two keys agreed.
    const std::string strFirst = "p2039599";
    const std::string strSecond = "p2222382";
    ASSERT_EQ(UninstallPathKey(strFirst.c_str()), UninstallPathKey(strSecond.c_str()));
    UseTables({MakeEntry(strSecond, 9, 9)}, {MakeEntry(strFirst, 1, 1), MakeEntry(strSecond, 2, 2)});
    UninstallMerge merge;
    merge.Merge(g_pUpdateEntries[0], false);
    EXPECT_EQ(1, g_pUninstallEntries[0].lAmount);
    EXPECT_EQ(9, g_pUninstallEntries[1].lAmount);
    EXPECT_EQ(2u, g_uninstallHeader.dwEntryCount);
}

TEST(UninstallPathKeyTest, EqualPathsHaveEqualKeys) {
    FileEntry a = MakeEntry("Bin\\App.EXE");
    FileEntry b = MakeEntry("bin\\app.exe");
    std::memset(b.szPath + 12, 'x', 20);  // after the terminator
    EXPECT_EQ(UninstallPathKey(a.szPath), UninstallPathKey(b.szPath));
    EXPECT_NE(UninstallPathKey("\x82\x60"), UninstallPathKey("\x82\x81"));
}

struct PathPair {
    const char* pszA;
    const char* pszB;
    bool bSame;
};

TEST(SameUninstallPathTest, FoldsAsciiLettersOnly) {
    const PathPair cases[] = {
        {"bin\\a.exe", "BIN\\A.EXE", true},
        {"\x83\x41", "\x83\x61", true},          // ア and ヂ: their second bytes fold
        {"\x82\x60", "\x82\x81", false},         // full-width Ａ and ａ
        {"@[`{", "@[`{", true},
        {"@", "`", false},                       // just outside the letters
        {"[", "{", false},
        {"\xC1", "\xE1", false},                 // high bit set: never folded
        {"abc", "abcd", false},
        {"abcdefgh", "abcdefgh", true},          // ends on an 8-byte boundary
        {"abcdefghi", "abcdefgh", false},
        {"", "", true},
        {"", "a", false},
        {"dir\\", "dir", false},
    };
    for (const PathPair& c : cases) {
        FileEntry a = MakeEntry(c.pszA);
        FileEntry b = MakeEntry(c.pszB);
        EXPECT_EQ(c.bSame, SameUninstallPath(a.szPath, b.szPath)) << c.pszA << " / " << c.pszB;
        EXPECT_EQ(c.bSame, SameUninstallPath(b.szPath, a.szPath)) << c.pszB << " / " << c.pszA;
    }
}

TEST(SameUninstallPathTest, BytesAfterTheTerminatorDoNotCount) {
    FileEntry a = MakeEntry("same");
    FileEntry b = MakeEntry("SAME");
    std::memset(a.szPath + 5, 'x', 50);
    std::memset(b.szPath + 5, 'y', 50);
    EXPECT_TRUE(SameUninstallPath(a.szPath, b.szPath));
}

TEST(SameUninstallPathTest, UnterminatedRecordsStayWithinTheirBytes) {
    FileEntry a;
    FileEntry b;
    std::memset(a.szPath, 'q', sizeof a.szPath);
    std::memset(b.szPath, 'Q', sizeof b.szPath);
    EXPECT_TRUE(SameUninstallPath(a.szPath, b.szPath));
    b.szPath[259] = 'r';
    EXPECT_FALSE(SameUninstallPath(a.szPath, b.szPath));
}

// The eight-bytes-at-a-time comparison against the plain definition.
TEST(SameUninstallPathTest, AgreesWithBytewiseComparison) {
    auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; };
    auto reference = [&](const char* a, const char* b) {
        for (size_t i = 0; i < 260; ++i) {
            if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i]))) return false;
            if (a[i] == 0) return true;
        }
        return true;
    };
    const unsigned char alphabet[] = {0, 'A', 'Z', 'a', 'z', '@', '[', '`', '{', 0xC1, 0xE1, 0x83, 0x5C, 0x80, 0xFF, 0x01};
    std::mt19937 random(12345);
    for (int n = 0; n < 20000; ++n) {
        FileEntry a;
        FileEntry b;
        const size_t nLength = random() % 40;
        for (size_t i = 0; i < sizeof a.szPath; ++i) {
            a.szPath[i] = static_cast<char>(alphabet[1 + random() % 15]);
        }
        if (nLength < 35) a.szPath[nLength] = 0;
        std::memcpy(b.szPath, a.szPath, sizeof a.szPath);
        if (n % 2 == 0) {
            for (char& c : b.szPath) {
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
            }
        }
        // Change a few bytes of b: case, letters, terminators.
        for (int k = random() % 3; k > 0; --k) {
            b.szPath[random() % 40] = static_cast<char>(alphabet[random() % 16]);
        }
        ASSERT_EQ(reference(a.szPath, b.szPath), SameUninstallPath(a.szPath, b.szPath)) << n;
    }
}

}  // namespace
