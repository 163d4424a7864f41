// Whole updates: where the files and the manifest go, what the manifest
// says afterwards, and what is left when a source is missing.
#include <ostream>

#include "fixture.h"

namespace e2e {
namespace {

TEST_F(E2ETest, EmptyUpdateRewritesTheSameManifest) {
    ArrangeWorking();
    WriteUpdateInf({});
    const std::string strManifest = m_strInstallDir + "Uninstallinf.dat";
    // An old date, so that the rewrite shows even with the same bytes.
    HANDLE hFile = CreateFileA(strManifest.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    const FILETIME old = {0, 0x01C00000};
    ASSERT_TRUE(SetFileTime(hFile, nullptr, nullptr, &old));
    CloseHandle(hFile);
    const Tree before = ReadTree(Root());

    ASSERT_TRUE(Start());
    EXPECT_TRUE(ConfirmAndExpect(DoneText(), DoneCaption()));
    EXPECT_TRUE(m_program.WaitForExit());

    EXPECT_TRUE(SameTree(before, ReadTree(Root())));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(strManifest.c_str(), GetFileExInfoStandard, &data));
    EXPECT_NE(CompareFileTime(&data.ftLastWriteTime, &old), 0) << "Uninstallinf.dat was not rewritten";
}

// The longest program folder (246 bytes) and install folder (243 bytes) for
// which every path the program builds still fits.
TEST_F(E2ETest, LongestFoldersStillWork) {
    const std::string strProgram = std::string(246 - Root().size() - 1, 'p');
    PlaceProgram(strProgram);
    WriteUpdateInf({});
    const std::string strInstall = Root() + std::string(243 - Root().size() - 1, 'i') + "\\";
    ASSERT_EQ(strInstall.size(), 243u);
    MakeDir(strInstall.substr(0, strInstall.size() - 1));
    const std::string strManifest = UninstallManifestBytes({MakeEntry("old.txt", 5, 2)}, 1, 5);
    WriteBytes(strInstall + "Uninstallinf.dat", strManifest);
    StoreInstallDir(strInstall);
    ASSERT_FALSE(HasFailure());
    const Tree before = ReadTree(Root());

    ASSERT_TRUE(Start());
    EXPECT_TRUE(ConfirmAndExpect(DoneText(), DoneCaption()));
    EXPECT_TRUE(m_program.WaitForExit());
    EXPECT_TRUE(SameTree(before, ReadTree(Root())));
}

struct InstallDirForm {
    const char* pszName;
    const char* pszFolder;  // UTF-8
    bool bTrailingBackslash;
};

// Names the case in test names (CTest puts it in place of the index).
void PrintTo(const InstallDirForm& c, std::ostream* pOut) { *pOut << c.pszName; }

// Stored without its backslash, the folder still receives the files, but the
// manifest is the folder's name followed by Uninstallinf.dat, in the parent.
// 表 ends with the byte 0x5C, which is no backslash.
const InstallDirForm kInstallDirForms[] = {
    {"WithBackslash", "app", true},
    {"WithoutBackslash", "app", false},
    {"JapaneseWithBackslash", "アプリ表", true},
    {"JapaneseWithoutBackslash", "アプリ表", false},
};

class InstallDir : public E2ETest, public testing::WithParamInterface<InstallDirForm> {};

TEST_P(InstallDir, FilesGoInsideTheFolder) {
    PlaceProgram("prog");
    WriteUpdateInf({MakeEntry("readme.txt", 10, 1)});
    WriteData("readme.txt", PatternBytes(1000, 1));
    const std::string strFolder = Sjis(GetParam().pszFolder);
    MakeDir(Root() + strFolder);
    const std::string strValue = Root() + strFolder + (GetParam().bTrailingBackslash ? "\\" : "");
    const std::string strManifest = strFolder + (GetParam().bTrailingBackslash ? "\\" : "") + "Uninstallinf.dat";
    WriteBytes(Root() + strManifest, UninstallManifestBytes({MakeEntry("old.txt", 5, 2)}, 1, 5));
    StoreInstallDir(strValue);
    Tree expected = ReadTree(Root());

    ASSERT_TRUE(Start());
    EXPECT_TRUE(ConfirmAndExpect(DoneText(), DoneCaption()));
    EXPECT_TRUE(m_program.WaitForExit());

    expected[strFolder + "\\readme.txt"] = PatternBytes(1000, 1);
    expected[strManifest] = WorkingManifestAfter();
    EXPECT_TRUE(SameTree(expected, ReadTree(Root())));
}

INSTANTIATE_TEST_SUITE_P(E2E, InstallDir, testing::ValuesIn(kInstallDirForms));

// Japanese names throughout (program folder, key, value, entries), a
// read-only file replaced, and records matched without regard to case.
TEST_F(E2ETest, JapaneseNamesReplacementAndMerge) {
    UseKey(Sjis("製品表"));
    m_strValueName = Sjis("導入先表");
    PlaceProgram(Sjis("更新表"));
    const std::string strTable = Sjis("表\\");
    const std::string strDocument = Sjis("表\\文書.txt");
    const std::string strSettings = Sjis("設定表示.ini");
    WriteUpdateInf({
        MakeEntry("data\\", 0, 0),
        MakeEntry(strTable, 0, 3),
        MakeEntry(strDocument, 30, 4),
        MakeEntry(strSettings, 20, 5),
        MakeEntry("App.exe", 120, 9),
    });
    WriteData(strDocument, PatternBytes(5000, 11));
    WriteData(strSettings, PatternBytes(700, 12));
    WriteData("App.exe", PatternBytes(250000, 13));

    m_strInstallDir = Root() + "app\\";
    MakeDir(m_strInstallDir);
    MakeDir(m_strInstallDir + "data");
    WriteBytes(m_strInstallDir + "data\\keep.txt", PatternBytes(10, 14));
    WriteBytes(m_strInstallDir + "readme.txt", PatternBytes(50, 15));
    WriteBytes(m_strInstallDir + "App.exe", PatternBytes(90000, 16));
    ASSERT_TRUE(SetFileAttributesA((m_strInstallDir + "App.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(Attributes(m_strInstallDir + "App.exe") & FILE_ATTRIBUTE_READONLY);
    WriteBytes(m_strInstallDir + "Uninstallinf.dat",
               UninstallManifestBytes(
                   {MakeEntry("app.EXE", 100, 1), MakeEntry("Data\\", 0, 0), MakeEntry("readme.txt", 50, 2)}, 3,
                   150));
    StoreInstallDir(m_strInstallDir);
    ASSERT_FALSE(HasFailure());
    Tree expected = ReadTree(Root());

    ASSERT_TRUE(Start());
    EXPECT_TRUE(ConfirmAndExpect(DoneText(), DoneCaption()));
    EXPECT_TRUE(m_program.WaitForExit());

    expected["app\\" + strTable] = "";
    expected["app\\" + strDocument] = PatternBytes(5000, 11);
    expected["app\\" + strSettings] = PatternBytes(700, 12);
    expected["app\\App.exe"] = PatternBytes(250000, 13);
    // app.EXE takes the new amount and info (the total moves by 120 - 100),
    // Data\ stays single, the new files count as added, the folder does not.
    expected["app\\Uninstallinf.dat"] = UninstallManifestBytes(
        {MakeEntry("app.EXE", 120, 9), MakeEntry("Data\\", 0, 0), MakeEntry("readme.txt", 50, 2),
         MakeEntry(strTable, 0, 3), MakeEntry(strDocument, 30, 4), MakeEntry(strSettings, 20, 5)},
        5, 220);
    EXPECT_TRUE(SameTree(expected, ReadTree(Root())));
    const DWORD dwAttributes = Attributes(m_strInstallDir + "App.exe");
    ASSERT_NE(dwAttributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(dwAttributes & FILE_ATTRIBUTE_READONLY, 0u) << "the replaced file is still read-only";
}

// The update stops at the first missing source: what came before is
// installed and listed, the file it stopped at is left as it was.
TEST_F(E2ETest, MissingSourceStopsTheUpdate) {
    ArrangeWorking();
    WriteUpdateInf({MakeEntry("a.txt", 1, 1), MakeEntry("missing.txt", 2, 2), MakeEntry("c.txt", 3, 3)});
    WriteData("a.txt", PatternBytes(100, 21));
    WriteData("c.txt", PatternBytes(100, 23));
    WriteBytes(m_strInstallDir + "missing.txt", PatternBytes(100, 24));
    Tree expected = ReadTree(Root());

    ASSERT_TRUE(Start());
    EXPECT_TRUE(ConfirmAndExpect(FailedText(), DefaultMessageBoxCaption()));
    EXPECT_TRUE(m_program.WaitForExit());

    expected["app\\a.txt"] = PatternBytes(100, 21);
    expected["app\\Uninstallinf.dat"] =
        UninstallManifestBytes({MakeEntry("old.txt", 5, 2), MakeEntry("a.txt", 1, 1)}, 2, 6);
    EXPECT_TRUE(SameTree(expected, ReadTree(Root())));
}

}  // namespace
}  // namespace e2e
