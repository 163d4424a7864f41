#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "file.h"
#include "manifest.h"
#include "support/manifest_builder.h"
#include "support/scratch.h"

namespace {

class ManifestTest : public testing::Test {
protected:
    void SetUp() override {
        FreeManifestTables();
        std::memset(&g_updateHeader, 0, sizeof g_updateHeader);
        std::memset(&g_uninstallHeader, 0, sizeof g_uninstallHeader);
    }
    void TearDown() override { FreeManifestTables(); }

    bool LoadUpdate(const std::string& strBytes) {
        WriteBytes(m_scratch / "Updateinf.dat", strBytes);
        CFile file;
        EXPECT_TRUE(file.Open(m_scratch / "Updateinf.dat", 0));
        return LoadUpdateManifest(file);
    }

    bool LoadUninstall(const std::string& strBytes) {
        WriteBytes(m_scratch / "Uninstallinf.dat", strBytes);
        CFile file;
        EXPECT_TRUE(file.Open(m_scratch / "Uninstallinf.dat", 0));
        return LoadUninstallManifest(file);
    }

    bool Save() {
        CFile file;
        return SaveUninstallManifest(file, m_scratch / "Uninstallinf.dat", m_scratch / "Uninstallinf.tmp");
    }

    ScratchDir m_scratch;
};

TEST_F(ManifestTest, LoadsTheUpdateHeaderAndTable) {
    std::string strBytes = UpdateManifestBytes("Product", "Software\\Vendor\\Product", "InstallDir",
                                               {MakeEntry("bin\\", 0, 1), MakeEntry("bin\\a.exe", 42, 7)});
    strBytes += "trailing bytes are ignored";
    ASSERT_TRUE(LoadUpdate(strBytes));
    EXPECT_STREQ("Product", g_updateHeader.szProductName);
    EXPECT_STREQ("Software\\Vendor\\Product", g_updateHeader.szRegistryKey);
    EXPECT_STREQ("InstallDir", g_updateHeader.szRegistryValue);
    ASSERT_EQ(2u, g_updateHeader.dwEntryCount);
    ASSERT_NE(nullptr, g_pUpdateEntries);
    EXPECT_STREQ("bin\\a.exe", g_pUpdateEntries[1].szPath);
    EXPECT_EQ(42, g_pUpdateEntries[1].lAmount);
    EXPECT_EQ(7u, g_pUpdateEntries[1].dwInfo);
}

TEST_F(ManifestTest, EmptyUpdateGivesAnEmptyTable) {
    const std::string strBytes = UpdateManifestBytes("P", "K", "V", {});
    ASSERT_EQ(396u, strBytes.size());
    ASSERT_TRUE(LoadUpdate(strBytes));
    EXPECT_EQ(0u, g_updateHeader.dwEntryCount);
    EXPECT_NE(nullptr, g_pUpdateEntries);
}

TEST_F(ManifestTest, UninstallTableHasRoomForEveryUpdateEntry) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V",
                                               {MakeEntry("a"), MakeEntry("b"), MakeEntry("c")})));
    ASSERT_TRUE(LoadUninstall(UninstallManifestBytes({})));
    EXPECT_EQ(0u, g_uninstallHeader.dwEntryCount);
    // The sanitizer build sees a write past the capacity.
    for (int i = 0; i < 3; ++i) g_pUninstallEntries[i] = MakeEntry("x");
    SUCCEED();
}

TEST_F(ManifestTest, UninstallRoundTripIsByteExact) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {MakeEntry("a")})));
    const std::string strOriginal =
        UninstallManifestBytes({MakeEntry("bin\\", 0, 3), MakeEntry("bin\\a.exe", 1000, 9)}, 1, 1000);
    ASSERT_TRUE(LoadUninstall(strOriginal));
    EXPECT_EQ(2u, g_uninstallHeader.dwEntryCount);
    EXPECT_TRUE(Save());
    EXPECT_TRUE(SameBytes(strOriginal, ReadBytes(m_scratch / "Uninstallinf.dat")));
    EXPECT_FALSE(FileExists(m_scratch / "Uninstallinf.tmp"));
}

TEST_F(ManifestTest, SaveDropsBytesAfterTheRecordsAndWritesTheMergedCounts) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {MakeEntry("new.txt", 5, 1)})));
    const std::string strRecords = UninstallManifestBytes({MakeEntry("old.txt", 10, 0)}, 0, 10);
    ASSERT_TRUE(LoadUninstall(strRecords + "garbage after the last record"));
    g_pUninstallEntries[1] = g_pUpdateEntries[0];
    g_uninstallHeader.dwEntryCount = 2;
    g_uninstallHeader.dwAddedCount = 1;
    g_uninstallHeader.lTotalAmount = 15;
    ASSERT_TRUE(Save());
    const std::string strExpected =
        ManifestBytes(MakeUninstallHeader(2, 1, 15), {MakeEntry("old.txt", 10, 0), MakeEntry("new.txt", 5, 1)});
    EXPECT_TRUE(SameBytes(strExpected, ReadBytes(m_scratch / "Uninstallinf.dat")));
}

TEST_F(ManifestTest, FailedSaveLeavesTheOldManifestAndNoTemporaryFile) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {})));
    const std::string strOriginal = UninstallManifestBytes({MakeEntry("a.txt", 1, 0)}, 0, 1);
    ASSERT_TRUE(LoadUninstall(strOriginal));
    g_uninstallHeader.lTotalAmount = 99;

    // The temporary file cannot be created.
    CFile file;
    EXPECT_FALSE(SaveUninstallManifest(file, m_scratch / "Uninstallinf.dat", m_scratch / "missing\\Uninstallinf.tmp"));
    EXPECT_TRUE(SameBytes(strOriginal, ReadBytes(m_scratch / "Uninstallinf.dat")));

    // The manifest cannot be replaced: a folder stands in its place.
    MakeDirectory(m_scratch / "blocked");
    EXPECT_FALSE(SaveUninstallManifest(file, m_scratch / "blocked", m_scratch / "Uninstallinf.tmp"));
    EXPECT_FALSE(FileExists(m_scratch / "Uninstallinf.tmp"));
    EXPECT_TRUE(DirectoryExists(m_scratch / "blocked"));
    EXPECT_EQ(0, file.m_nMode);
}

TEST_F(ManifestTest, SaveReplacesAManifestHeldOpenByNobodyElse) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {})));
    ASSERT_TRUE(LoadUninstall(UninstallManifestBytes({})));
    // While someone reads the old manifest it cannot be replaced; it survives whole.
    CFile holder;
    ASSERT_TRUE(holder.Open(m_scratch / "Uninstallinf.dat", 0));
    g_uninstallHeader.dwAddedCount = 5;
    EXPECT_FALSE(Save());
    holder.Close();
    EXPECT_TRUE(SameBytes(UninstallManifestBytes({}), ReadBytes(m_scratch / "Uninstallinf.dat")));
    EXPECT_FALSE(FileExists(m_scratch / "Uninstallinf.tmp"));
    EXPECT_TRUE(Save());
    EXPECT_TRUE(SameBytes(ManifestBytes(MakeUninstallHeader(0, 5, 0), {}), ReadBytes(m_scratch / "Uninstallinf.dat")));
}

struct RejectedUpdate {
    const char* pszWhat;
    std::string strBytes;
};

std::vector<RejectedUpdate> RejectedUpdates() {
    const std::string strGood = UpdateManifestBytes("P", "K", "V", {MakeEntry("a.txt")});
    UpdateHeader wrapping = MakeUpdateHeader("P", "K", "V", 16025998u);
    UpdateHeader huge = MakeUpdateHeader("P", "K", "V", 0xFFFFFFFFu);
    UpdateHeader unterminatedName = MakeUpdateHeader(std::string(128, 'n'), "K", "V", 0);
    UpdateHeader unterminatedKey = MakeUpdateHeader("P", std::string(128, 'k'), "V", 0);
    UpdateHeader unterminatedValue = MakeUpdateHeader("P", "K", std::string(128, 'v'), 0);
    auto withPath = [](const std::string& strPath) {
        return UpdateManifestBytes("P", "K", "V", {MakeEntry("ok.txt"), MakeEntry(strPath)});
    };
    return {
        {"empty file", ""},
        {"header cut short", strGood.substr(0, 395)},
        {"last record cut short", strGood.substr(0, strGood.size() - 1)},
        {"count whose size wraps 32 bits", ManifestBytes(wrapping, {})},
        {"count far beyond the file", ManifestBytes(huge, {MakeEntry("a")})},
        {"unterminated product name", ManifestBytes(unterminatedName, {})},
        {"unterminated registry key", ManifestBytes(unterminatedKey, {})},
        {"unterminated registry value", ManifestBytes(unterminatedValue, {})},
        {"product name of 61 bytes", UpdateManifestBytes(std::string(61, 'p'), "K", "V", {})},
        {"unterminated path", withPath(std::string(260, 'a'))},
        {"empty path", withPath("")},
        {"path of 247 bytes", withPath(std::string(247, 'a'))},
        {"absolute path", withPath("\\Windows\\x.dll")},
        {"absolute path with slash", withPath("/etc/passwd")},
        {"drive", withPath("C:x.dll")},
        {"stream name", withPath("a.txt:stream")},
        {"parent component", withPath("..\\x.dll")},
        {"parent component inside", withPath("a\\..\\..\\x.dll")},
        {"parent component with slash", withPath("a/../x.dll")},
        {"parent component at the end", withPath("a\\..")},
    };
}

TEST_F(ManifestTest, RejectsMalformedUpdateManifests) {
    for (const RejectedUpdate& c : RejectedUpdates()) {
        EXPECT_FALSE(LoadUpdate(c.strBytes)) << c.pszWhat;
        EXPECT_EQ(nullptr, g_pUpdateEntries) << c.pszWhat;
    }
}

TEST_F(ManifestTest, AcceptsTheLimits) {
    const std::string strLongest(246, 'a');
    EXPECT_TRUE(LoadUpdate(UpdateManifestBytes(std::string(60, 'p'), std::string(127, 'k'),
                                               std::string(127, 'v'),
                                               {MakeEntry(strLongest), MakeEntry("\x95\x5C"),
                                                MakeEntry("a..b\\...x\\.\\c")})));
    EXPECT_EQ(3u, g_updateHeader.dwEntryCount);
}

TEST_F(ManifestTest, RejectsMalformedUninstallManifests) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {MakeEntry("a")})));
    const std::string strGood = UninstallManifestBytes({MakeEntry("x"), MakeEntry("y")});
    EXPECT_FALSE(LoadUninstall(strGood.substr(0, 5000))) << "header cut short";
    EXPECT_EQ(nullptr, g_pUninstallEntries);
    EXPECT_FALSE(LoadUninstall(strGood.substr(0, strGood.size() - 10))) << "record cut short";
    EXPECT_EQ(nullptr, g_pUninstallEntries);
    EXPECT_FALSE(LoadUninstall(ManifestBytes(MakeUninstallHeader(0xFFFFFFFFu), {MakeEntry("x")})))
        << "count beyond the file";
    EXPECT_TRUE(LoadUninstall(strGood));
}

TEST_F(ManifestTest, RejectsAnUninstallCapacityThatWouldWrap) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {})));
    // As if the update had announced nearly 2^32 entries.
    g_updateHeader.dwEntryCount = 0xFFFFFFFFu;
    EXPECT_FALSE(LoadUninstall(UninstallManifestBytes({MakeEntry("x")})));
    EXPECT_EQ(nullptr, g_pUninstallEntries);
}

TEST_F(ManifestTest, UninstallRecordsAreNotValidated) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {})));
    EXPECT_TRUE(LoadUninstall(UninstallManifestBytes({MakeEntry(std::string(260, 'u')), MakeEntry("")})));
    EXPECT_EQ(2u, g_uninstallHeader.dwEntryCount);
}

TEST_F(ManifestTest, FreeReleasesBothTables) {
    ASSERT_TRUE(LoadUpdate(UpdateManifestBytes("P", "K", "V", {MakeEntry("a")})));
    ASSERT_TRUE(LoadUninstall(UninstallManifestBytes({})));
    FreeManifestTables();
    EXPECT_EQ(nullptr, g_pUpdateEntries);
    EXPECT_EQ(nullptr, g_pUninstallEntries);
    FreeManifestTables();
}

}  // namespace
