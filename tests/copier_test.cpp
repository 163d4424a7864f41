#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copier.h"
#include "manifest.h"
#include "support/manifest_builder.h"
#include "support/progress_probe.h"
#include "support/scratch.h"
#include "support/tables.h"

namespace {

// "をコピー中..." in code page 932.
const std::string kCopying = "\x82\xF0\x83\x52\x83\x73\x81\x5B\x92\x86...";

class CopierTest : public testing::Test {
protected:
    void SetUp() override {
        g_bCancel = 0;
        MakeDirectory(m_scratch / "data");
        m_strInstall = m_scratch / "install\\";
        m_strData = m_scratch / "data\\";
    }
    void TearDown() override {
        g_bCancel = 0;
        FreeManifestTables();
    }

    void Source(const std::string& strPath, const std::string& strBytes) { WriteBytes(m_strData + strPath, strBytes); }
    bool Install(ProgressProbe& probe) { return InstallEntries(probe.Handle(), m_strInstall.c_str(), m_strData.c_str()); }
    bool NoTemporaryFiles(const std::vector<std::string>& paths) {
        for (const std::string& strPath : paths) {
            if (FileExists(m_strInstall + strPath + ".tmp")) return false;
        }
        return true;
    }

    ScratchDir m_scratch;
    std::string m_strInstall;
    std::string m_strData;
};

std::vector<int> Steps(int nFirst, int nLast) {
    std::vector<int> steps;
    for (int n = nFirst; n <= nLast; ++n) steps.push_back(n);
    return steps;
}

struct ChunkCase {
    size_t nSize;
    std::vector<int> positions;
};

TEST_F(CopierTest, BarIsSetBeforeEveryChunkAndAt100AtTheEnd) {
    std::vector<int> upTo100 = Steps(0, 100);
    upTo100.push_back(100);
    const ChunkCase cases[] = {
        {0, {0, 100}},
        {1, {0, 100}},
        {99999, {0, 100}},
        {100000, {0, 100, 100}},
        {250000, {0, 40, 80, 100}},
        {10000000, upTo100},  // position * 100 / size
        {10000001, upTo100},  // position / (size / 100): the exact rule would show 0 twice
    };
    for (const ChunkCase& c : cases) {
        const std::string strData = PatternBytes(c.nSize, static_cast<uint32_t>(c.nSize));
        Source("f.bin", strData);
        UseTables({MakeEntry("f.bin", 1, 0)}, {});
        ProgressProbe probe;
        EXPECT_TRUE(Install(probe)) << c.nSize;
        EXPECT_EQ(c.positions, probe.Positions()) << c.nSize;
        EXPECT_TRUE(ReadBytes(m_strInstall + "f.bin") == strData) << c.nSize;
        EXPECT_TRUE(NoTemporaryFiles({"f.bin"}));
    }
}

TEST(ProgressPercentTest, TwoRulesAndNoDivisionByZero) {
    EXPECT_EQ(0u, ProgressPercent(0, 0));
    EXPECT_EQ(40u, ProgressPercent(100000, 250000));
    EXPECT_EQ(100u, ProgressPercent(10000000, 10000000));
    EXPECT_EQ(0u, ProgressPercent(100000, 20000000));   // advances every second chunk
    EXPECT_EQ(1u, ProgressPercent(200000, 20000000));
    EXPECT_EQ(100u, ProgressPercent(4294967295u, 4294967295u));
}

TEST_F(CopierTest, InstallsDirectoriesAndFilesInOrderAndMerges) {
    Source("a.txt", "alpha");
    MakeDirectory(m_strData + "sub");
    Source("sub\\b.txt", "beta");
    // 表 (0x95 0x5C) ends with a backslash byte: it is a directory entry.
    UseTables({MakeEntry("sub\\deep\\", 0, 1), MakeEntry("a.txt", 5, 2), MakeEntry("sub\\b.txt", 4, 3),
               MakeEntry("\x95\x5C", 0, 4)},
              {MakeEntry("A.TXT", 1, 0)});
    g_uninstallHeader.lTotalAmount = 1;
    ProgressProbe probe;
    ASSERT_TRUE(Install(probe));
    EXPECT_TRUE(DirectoryExists(m_strInstall + "sub\\deep"));
    EXPECT_TRUE(DirectoryExists(m_strInstall + "\x95\x5C"));
    EXPECT_EQ("alpha", ReadBytes(m_strInstall + "a.txt"));
    EXPECT_EQ("beta", ReadBytes(m_strInstall + "sub\\b.txt"));
    EXPECT_EQ((std::vector<std::string>{"a.txt" + kCopying, "sub\\b.txt" + kCopying}), probe.Statuses());
    ASSERT_EQ(4u, g_uninstallHeader.dwEntryCount);
    EXPECT_STREQ("A.TXT", g_pUninstallEntries[0].szPath);
    EXPECT_STREQ("sub\\deep\\", g_pUninstallEntries[1].szPath);
    EXPECT_STREQ("sub\\b.txt", g_pUninstallEntries[2].szPath);
    EXPECT_STREQ("\x95\x5C", g_pUninstallEntries[3].szPath);
    EXPECT_EQ(1u, g_uninstallHeader.dwAddedCount);
    EXPECT_EQ(9, g_uninstallHeader.lTotalAmount);
}

TEST_F(CopierTest, EmptyUpdateCreatesOnlyTheInstallDirectory) {
    UseTables({}, {MakeEntry("keep")});
    ProgressProbe probe;
    EXPECT_TRUE(Install(probe));
    EXPECT_TRUE(DirectoryExists(m_scratch / "install"));
    EXPECT_EQ(1u, g_uninstallHeader.dwEntryCount);
    EXPECT_TRUE(probe.Positions().empty());
}

TEST_F(CopierTest, CancelIsSeenAfterTheFirstFullChunkThatPumpsIt) {
    MakeDirectory(m_scratch / "install");
    Source("first.txt", "first");
    Source("big.bin", PatternBytes(250000, 9));
    Source("after.txt", "after");
    WriteBytes(m_strInstall + "big.bin", "installed before");
    UseTables({MakeEntry("first.txt", 1, 0), MakeEntry("big.bin", 2, 0), MakeEntry("after.txt", 3, 0)}, {});
    ProgressProbe probe;
    // Positions: first.txt 0, 100; big.bin 0, 40 ... The press arrives after 40
    // is set and is pumped after the second chunk.
    probe.CancelAtPosition(4);
    EXPECT_FALSE(Install(probe));
    EXPECT_EQ((std::vector<int>{0, 100, 0, 40}), probe.Positions());
    EXPECT_EQ(1, g_bCancel);
    EXPECT_EQ("installed before", ReadBytes(m_strInstall + "big.bin"));
    EXPECT_FALSE(FileExists(m_strInstall + "after.txt"));
    EXPECT_TRUE(NoTemporaryFiles({"big.bin"}));
    ASSERT_EQ(1u, g_uninstallHeader.dwEntryCount);
    EXPECT_STREQ("first.txt", g_pUninstallEntries[0].szPath);
}

TEST_F(CopierTest, CancelDuringShortFilesHasNoEffect) {
    Source("a.txt", PatternBytes(99999, 1));
    Source("b.txt", "b");
    UseTables({MakeEntry("a.txt"), MakeEntry("d\\"), MakeEntry("b.txt")}, {});
    ProgressProbe probe;
    probe.CancelAtPosition(1);
    EXPECT_TRUE(Install(probe));
    EXPECT_EQ(0, g_bCancel);
    EXPECT_EQ(3u, g_uninstallHeader.dwEntryCount);
    EXPECT_EQ("b", ReadBytes(m_strInstall + "b.txt"));
}

TEST_F(CopierTest, MissingSourceLeavesTheInstalledFileAsItWas) {
    MakeDirectory(m_scratch / "install");
    Source("a.txt", "new a");
    WriteBytes(m_strInstall + "gone.txt", "installed");
    UseTables({MakeEntry("a.txt"), MakeEntry("gone.txt"), MakeEntry("never.txt")}, {});
    ProgressProbe probe;
    EXPECT_FALSE(Install(probe));
    EXPECT_EQ("installed", ReadBytes(m_strInstall + "gone.txt"));
    EXPECT_EQ("new a", ReadBytes(m_strInstall + "a.txt"));
    EXPECT_TRUE(NoTemporaryFiles({"gone.txt"}));
    EXPECT_EQ(1u, g_uninstallHeader.dwEntryCount);
}

TEST_F(CopierTest, FileInAMissingDirectoryFails) {
    MakeDirectory(m_strData + "nodir");
    Source("nodir\\x.txt", "x");
    UseTables({MakeEntry("nodir\\x.txt")}, {});
    ProgressProbe probe;
    EXPECT_FALSE(Install(probe));
    EXPECT_EQ(0u, g_uninstallHeader.dwEntryCount);
}

TEST_F(CopierTest, ReadOnlyDestinationIsReplaced) {
    MakeDirectory(m_scratch / "install");
    WriteBytes(m_strInstall + "ro.txt", "old");
    ASSERT_TRUE(SetFileAttributesA((m_strInstall + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    Source("ro.txt", "new");
    UseTables({MakeEntry("ro.txt")}, {});
    ProgressProbe probe;
    EXPECT_TRUE(Install(probe));
    EXPECT_EQ("new", ReadBytes(m_strInstall + "ro.txt"));
    EXPECT_EQ(0u, GetFileAttributesA((m_strInstall + "ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(CopierTest, PathsThatDoNotFitAreRefusedBeforeAnythingIsWritten) {
    m_strInstall = m_scratch / (std::string(200, 'i') + "\\");
    const std::string strName(60, 'n');
    UseTables({MakeEntry(strName)}, {});
    ProgressProbe probe;
    EXPECT_FALSE(Install(probe));
    EXPECT_EQ(0u, g_uninstallHeader.dwEntryCount);
    EXPECT_TRUE(probe.Statuses().empty());
}

}  // namespace
