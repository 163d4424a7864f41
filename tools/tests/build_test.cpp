// updtool build: the entries it writes, their order and amounts, and each
// refusal, after which nothing is written.
#include <gtest/gtest.h>

#include "host_files.h"
#include "support/tool_fixture.h"

namespace {

const char kDataDir[] = "bundle/data";
const char kManifest[] = "bundle/Updateinf.dat";

class ToolBuildTest : public ToolTest {
protected:
    std::vector<std::string> BuildArgs(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args = {"build",   "--data", Path(kDataDir), "--product", "Sample",
                                         "--key",   "Software\\Vendor\\Sample",  "--value", "InstallDir"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    std::vector<int32_t> Amounts(const std::vector<FileEntry>& entries) {
        std::vector<int32_t> amounts;
        for (const FileEntry& entry : entries) amounts.push_back(entry.lAmount);
        return amounts;
    }
};

TEST_F(ToolBuildTest, FoldersComeBeforeTheirContentsFilesBeforeSubfolders) {
    MakeFile("bundle/data/b.txt", "bb");
    MakeFile("bundle/data/a.txt", std::string(1500, 'a'));
    MakeFolder("bundle/data/empty");
    MakeFile("bundle/data/sub/z.txt", "z");
    MakeFile("bundle/data/sub/inner/x.bin", std::string(2048, 'x'));
    MakeFile("bundle/data/日本語/ファイル.txt", "f");
    MakeFile("bundle/data/表/f.txt", "");  // a folder may end with 0x5C: its entry ends with a separator
    const ToolResult result = Run(BuildArgs());
    ASSERT_EQ(0, result.nExit) << result.strErr;
    EXPECT_EQ("", result.strErr);
    EXPECT_NE(std::string::npos, result.strOut.find("11 entries (5 directories, 6 files)")) << result.strOut;

    UpdateHeader header;
    const std::vector<FileEntry> entries = LoadUpdate(kManifest, &header);
    const std::vector<std::string> expected = {
        "a.txt",
        "b.txt",
        "empty\\",
        "sub\\",
        "sub\\z.txt",
        "sub\\inner\\",
        "sub\\inner\\x.bin",
        "\x93\xfa\x96\x7b\x8c\xea\\",                                   // 日本語\ .
        "\x93\xfa\x96\x7b\x8c\xea\\\x83\x74\x83\x40\x83\x43\x83\x8b.txt",  // 日本語\ファイル.txt
        "\x95\x5c\\",                                                   // 表\ .
        "\x95\x5c\\f.txt",
    };
    EXPECT_EQ(expected, PathsOf(entries));
    EXPECT_EQ((std::vector<int32_t>{1500, 2, 0, 0, 1, 0, 2048, 0, 1, 0, 0}), Amounts(entries));
    EXPECT_STREQ("Sample", header.szProductName);
    EXPECT_STREQ("Software\\Vendor\\Sample", header.szRegistryKey);
    EXPECT_STREQ("InstallDir", header.szRegistryValue);
    for (const FileEntry& entry : entries) EXPECT_EQ(0u, entry.dwInfo);

    // The same tree gives the same bytes.
    const std::string strFirst = Read(kManifest);
    ASSERT_EQ(0, Run(BuildArgs()).nExit);
    EXPECT_EQ(strFirst, Read(kManifest));
}

TEST_F(ToolBuildTest, AmountModesAndInfo) {
    MakeFile("bundle/data/a", std::string(1500, 'a'));
    MakeFile("bundle/data/b", std::string(1024, 'b'));
    MakeFile("bundle/data/c", "");
    MakeFile("bundle/data/d", std::string(1025, 'd'));
    MakeFolder("bundle/data/e");
    struct Case {
        std::vector<std::string> options;
        std::vector<int32_t> amounts;
        uint32_t dwInfo;
    };
    const Case cases[] = {
        {{}, {1500, 1024, 0, 1025, 0}, 0},
        {{"--amount", "bytes", "--info", "7"}, {1500, 1024, 0, 1025, 0}, 7},
        {{"--amount", "kib"}, {2, 1, 0, 2, 0}, 0},
        {{"--amount=zero", "--info=0x10"}, {0, 0, 0, 0, 0}, 16},
    };
    for (const Case& c : cases) {
        const ToolResult result = Run(BuildArgs(c.options));
        ASSERT_EQ(0, result.nExit) << result.strErr;
        const std::vector<FileEntry> entries = LoadUpdate(kManifest);
        EXPECT_EQ(c.amounts, Amounts(entries));
        for (const FileEntry& entry : entries) EXPECT_EQ(c.dwInfo, entry.dwInfo);
    }
}

TEST_F(ToolBuildTest, HeaderTextsAreConvertedAndTheLimitsThemselvesAccepted) {
    std::string strProduct;
    for (int i = 0; i < 30; ++i) strProduct += "版";  // 60 bytes in code page 932
    const std::string strKey = "Software\\" + std::string(118, 'k');  // 127 bytes
    const std::string strValue(127, 'v');
    // 246 bytes with the separators: the longest path there may be.
    const std::string strPath = std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(44, 'f');
    MakeFile("bundle/data/" + strPath, "x");
    MakeFile("bundle/data/製品.txt", "x");
    const ToolResult result = Run({"build", "--data", Path(kDataDir), "--product", strProduct, "--key", strKey,
                                   "--value", strValue, "--out", Path("out.dat")});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    UpdateHeader header;
    const std::vector<FileEntry> entries = LoadUpdate("out.dat", &header);
    std::string strExpectedProduct;
    for (int i = 0; i < 30; ++i) strExpectedProduct += "\x94\xc5";
    EXPECT_EQ(strExpectedProduct, header.szProductName);
    EXPECT_EQ(strKey, header.szRegistryKey);
    EXPECT_EQ(strValue, header.szRegistryValue);
    ASSERT_EQ(4u, entries.size());
    // Root files first, then the folders down to the longest path.
    EXPECT_STREQ("\x90\xbb\x95\x69.txt", entries[0].szPath);
    EXPECT_EQ(246u, std::string(entries[3].szPath).size());
    EXPECT_FALSE(Exists("bundle/Updateinf.dat"));
}

struct Refusal {
    const char* pszName;
    std::vector<std::string> items;    // under data/; a name ending with '/' is a folder
    std::vector<std::string> options;  // replacing the header options
    std::vector<std::string> messages;
};

TEST_F(ToolBuildTest, EachRefusalNamesTheOffenderAndTheLimitAndWritesNothing) {
    const std::string s61(61, 'P');
    std::string s62;
    for (int i = 0; i < 31; ++i) s62 += "版";
    const std::string strLong = std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(45, 'f');
    const std::string strLongFolder = std::string(100, 'd') + "/" + std::string(145, 'e');
    const Refusal cases[] = {
        {"emoji", {"😀.txt"}, {},
         {"'😀.txt'", "no code page 932 form", "😀 (U+1F600)"}},
        {"yen", {"sub/¥.txt"}, {},
         {"'sub\\¥.txt'", "¥ (U+00A5)"}},
        {"folder", {"丂/x.txt"}, {},
         {"'丂'", "丂 (U+4E02)", "contents were not examined"}},
        {"product", {}, {"--product", s61}, {"product name", "61 bytes", "at most 60 bytes"}},
        {"product in kanji", {}, {"--product", s62}, {"product name", "62 bytes", "at most 60 bytes"}},
        {"product emoji", {}, {"--product", "A😀"}, {"product name 'A😀'", "U+1F600"}},
        {"key", {}, {"--key", std::string(128, 'k')}, {"registry key", "128 bytes", "at most 127 bytes"}},
        {"value", {}, {"--value", std::string(128, 'v')}, {"registry value name", "128 bytes", "at most 127"}},
        {"path", {strLong}, {},
         {"247 bytes", "at most 246 bytes"}},
        {"folder path", {strLongFolder + "/"}, {},
         {"247 bytes", "at most 246 bytes"}},
        {"表", {"表"}, {},
         {"'表'", "0x5C", "take the file for a folder"}},
        {"a表", {"a表"}, {}, {"'a表'", "0x5C"}},
        {"能 in a folder", {"sub/能"}, {},
         {"'sub\\能'", "0x5C"}},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.pszName);
        Remove("bundle");
        MakeFile("bundle/data/ok.txt", "fine");
        MakeFile(kManifest, "old manifest");
        for (const std::string& strItem : c.items) {
            if (strItem.back() == '/') {
                MakeFolder("bundle/data/" + strItem.substr(0, strItem.size() - 1));
            } else {
                MakeFile("bundle/data/" + strItem, "x");
            }
        }
        std::vector<std::string> args = BuildArgs();
        for (size_t i = 0; i + 1 < c.options.size(); i += 2) {
            for (size_t k = 0; k + 1 < args.size(); ++k) {
                if (args[k] == c.options[i]) args[k + 1] = c.options[i + 1];
            }
        }
        const ToolResult result = Run(args);
        EXPECT_EQ(1, result.nExit);
        for (const std::string& strMessage : c.messages) {
            EXPECT_NE(std::string::npos, result.strErr.find(strMessage)) << strMessage << " in\n" << result.strErr;
        }
        EXPECT_NE(std::string::npos, result.strErr.find("updtool: build: nothing written: 1 problem\n"))
            << result.strErr;
        EXPECT_EQ("", result.strOut);
        EXPECT_EQ("old manifest", Read(kManifest));
        EXPECT_EQ((std::vector<std::string>{"Updateinf.dat", "data"}), Names("bundle"));
    }
}

TEST_F(ToolBuildTest, EveryOffenderIsNamedBeforeItStops) {
    MakeFile("bundle/data/表", "x");
    MakeFile("bundle/data/sub/😀", "x");
    MakeFile("bundle/data/fine.txt", "x");
    // An option given twice is a mistake, not an override.
    const ToolResult twice = Run(BuildArgs({"--product", std::string(70, 'P')}));
    EXPECT_EQ(2, twice.nExit);
    EXPECT_NE(std::string::npos, twice.strErr.find("--product is given twice")) << twice.strErr;
    std::vector<std::string> args = BuildArgs();
    args[4] = std::string(70, 'P');
    const ToolResult refused = Run(args);
    EXPECT_EQ(1, refused.nExit);
    EXPECT_NE(std::string::npos, refused.strErr.find("'表'")) << refused.strErr;
    EXPECT_NE(std::string::npos, refused.strErr.find("'sub\\😀'")) << refused.strErr;
    EXPECT_NE(std::string::npos, refused.strErr.find("70 bytes")) << refused.strErr;
    EXPECT_NE(std::string::npos, refused.strErr.find("nothing written: 3 problems")) << refused.strErr;
    EXPECT_EQ(std::string::npos, refused.strErr.find("fine.txt"));
    EXPECT_FALSE(Exists(kManifest));
}

TEST_F(ToolBuildTest, AFileTooLargeForItsAmountIsRefusedInBytesOnly) {
    // Sizes without contents: the files take no room where the file system allows.
    MakeFolder(kDataDir);
    ASSERT_TRUE(SetHostFileSize(Path("bundle/data/largest"), 0x7FFFFFFF));
    ASSERT_TRUE(SetHostFileSize(Path("bundle/data/over"), 0x80000000u));
    ToolResult result = Run(BuildArgs());
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("updtool: build: 'over': the file is 2147483648 bytes; an amount in "
                                                      "bytes may be at most 2147483647"))
        << result.strErr;
    EXPECT_NE(std::string::npos, result.strErr.find("nothing written: 1 problem\n")) << result.strErr;
    EXPECT_FALSE(Exists(kManifest));

    result = Run(BuildArgs({"--amount", "kib"}));
    ASSERT_EQ(0, result.nExit) << result.strErr;
    EXPECT_EQ((std::vector<int32_t>{2097152, 2097152}), Amounts(LoadUpdate(kManifest)));
}

TEST_F(ToolBuildTest, NamesDifferingOnlyInCaseAreRefused) {
    MakeFile("bundle/data/Readme.txt", "1");
    MakeFile("bundle/data/README.TXT", "2");
    if (Names(kDataDir).size() < 2) GTEST_SKIP() << "this file system matches names regardless of case";
    const ToolResult result = Run(BuildArgs());
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("differs only in case")) << result.strErr;
    EXPECT_FALSE(Exists(kManifest));
}

TEST_F(ToolBuildTest, LinksToFoldersAreRefusedSoThatALoopEnds) {
    MakeFile("bundle/data/real/f.txt", "f");
    if (!MakeHostFolderLink(".", Path("bundle/data/loop"))) GTEST_SKIP() << "no folder links here";
    const ToolResult result = Run(BuildArgs());
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("updtool: build: 'loop\\': a link to a folder")) << result.strErr;
    EXPECT_NE(std::string::npos, result.strErr.find("nothing written: 1 problem\n")) << result.strErr;
    EXPECT_FALSE(Exists(kManifest));
}

TEST_F(ToolBuildTest, AnOutputInsideTheFolderIsNotListedInItself) {
    MakeFile("bundle/data/a.txt", "a");
    for (int nRun = 0; nRun < 2; ++nRun) {
        const ToolResult result = Run(BuildArgs({"--out", Path("bundle/data/Updateinf.dat")}));
        ASSERT_EQ(0, result.nExit) << result.strErr;
    }
    EXPECT_EQ((std::vector<std::string>{"a.txt"}), PathsOf(LoadUpdate("bundle/data/Updateinf.dat")));
}

TEST_F(ToolBuildTest, UnwritableOutputFailsAndLeavesNothing) {
    MakeFile("bundle/data/a.txt", "a");
    const ToolResult result = Run(BuildArgs({"--out", Path("missing/Updateinf.dat")}));
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("updtool: build: cannot write")) << result.strErr;
    EXPECT_FALSE(Exists("missing"));
}

TEST_F(ToolBuildTest, CommandLineMistakesAreUsageErrors) {
    MakeFile("bundle/data/a.txt", "a");
    const std::string strData = Path(kDataDir);
    struct Case {
        std::vector<std::string> args;
        const char* pszMessage;
    };
    const Case cases[] = {
        {{"build", "--product", "P", "--key", "K", "--value", "V"}, "missing --data"},
        {{"build", "--data", strData, "--key", "K", "--value", "V"}, "missing --product"},
        {{"build", "--data", strData, "--product", "P", "--key", "K", "--value"}, "--value needs a value"},
        {{"build", "--data", strData, "--product", "P", "--key", "K", "--value", "V", "--amount", "mb"},
         "--amount takes bytes, kib or zero"},
        {{"build", "--data", strData, "--product", "P", "--key", "K", "--value", "V", "--info", "-1"}, "--info takes"},
        {{"build", "--data", strData, "--product", "P", "--key", "K", "--value", "V", "--verbose"},
         "unknown option --verbose"},
        {{"build", "--data", strData, "--product", "P", "--key", "K", "--value", "V", "extra"},
         "unexpected argument 'extra'"},
    };
    for (const Case& c : cases) {
        const ToolResult result = Run(c.args);
        EXPECT_EQ(2, result.nExit) << c.pszMessage;
        EXPECT_NE(std::string::npos, result.strErr.find(std::string("updtool: build: ") + c.pszMessage))
            << result.strErr;
        EXPECT_NE(std::string::npos, result.strErr.find("usage: updtool build")) << result.strErr;
    }
    EXPECT_FALSE(Exists(kManifest));
}

TEST_F(ToolBuildTest, DataThatIsNoFolderIsRefused) {
    MakeFile("bundle/data", "a file");
    const ToolResult result = Run(BuildArgs());
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("is not a folder")) << result.strErr;
    EXPECT_FALSE(Exists(kManifest));
}

}  // namespace
