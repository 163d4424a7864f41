// updtool check: the verdict on a bundle folder and the reason for it.
#include <gtest/gtest.h>

#include "host_files.h"
#include "support/manifest_builder.h"
#include "support/tool_fixture.h"

namespace {

class ToolCheckTest : public ToolTest {
protected:
    // Items under data/: a name ending with '/' is a folder.
    void MakeBundle(const std::vector<FileEntry>& entries, const std::vector<std::string>& data) {
        Remove("bundle");
        MakeFile("bundle/Updateinf.dat", UpdateManifestBytes("Sample", "Software\\Sample", "InstallDir", entries));
        MakeFolder("bundle/data");
        for (const std::string& strItem : data) {
            if (strItem.back() == '/') {
                MakeFolder("bundle/data/" + strItem.substr(0, strItem.size() - 1));
            } else {
                MakeFile("bundle/data/" + strItem, "contents of " + strItem);
            }
        }
    }

    ToolResult Check() { return Run({"check", Path("bundle")}); }
};

struct Verdict {
    const char* pszName;
    std::vector<FileEntry> entries;
    std::vector<std::string> data;
    int nExit;
    std::vector<std::string> messages;  // in the error stream
};

TEST_F(ToolCheckTest, Verdicts) {
    const Verdict cases[] = {
        {"good", {MakeEntry("bin\\"), MakeEntry("bin\\a.exe", 5), MakeEntry("top.txt")},
         {"bin/a.exe", "top.txt"}, 0, {}},
        {"a directory entry creates every folder on its path",
         {MakeEntry("a\\b\\"), MakeEntry("a\\x.txt"), MakeEntry("a\\b\\y.txt")}, {"a/x.txt", "a/b/y.txt"}, 0, {}},
        {"folders are matched regardless of case", {MakeEntry("Bin\\"), MakeEntry("bin\\a.exe")}, {"bin/a.exe"}, 0,
         {}},
        {"missing source", {MakeEntry("top.txt")}, {}, 1,
         {"error: entry 0 'top.txt': its source 'data\\top.txt' is missing"}},
        {"directory entry after its file", {MakeEntry("bin\\a.exe"), MakeEntry("bin\\")}, {"bin/a.exe"}, 1,
         {"error: entry 0 'bin\\a.exe' comes before entry 1 'bin\\', which creates its folder 'bin\\'"}},
        {"no directory entry for the folder", {MakeEntry("bin\\a.exe")}, {"bin/a.exe"}, 1,
         {"error: entry 0 'bin\\a.exe' needs the folder 'bin\\', which no directory entry creates"}},
        {"only the folder's parent is created", {MakeEntry("a\\"), MakeEntry("a\\b\\c.txt")}, {"a/b/c.txt"}, 1,
         {"error: entry 1 'a\\b\\c.txt' needs the folder 'a\\b\\'"}},
        {"unlisted file", {MakeEntry("top.txt")}, {"top.txt", "extra/more.txt"}, 0,
         {"warning: 'data\\extra\\more.txt' is listed by no entry"}},
        {"file entry whose source is a folder", {MakeEntry("bin")}, {"bin/"}, 1,
         {"error: entry 0 'bin' is a file entry, but its source 'data\\bin' is a folder"}},
        {"directory entry whose source is a file", {MakeEntry("conf\\")}, {"conf"}, 1,
         {"error: entry 0 'conf\\' is a directory entry, but 'data\\conf' is a file"}},
        {"a file named 表 reads as a directory entry", {MakeEntry("\x95\x5c")}, {"表"}, 1,
         {"error: entry 0 '表' is a directory entry, but 'data\\表' is a file (its last character's second byte is "
          "0x5C, so the program takes the entry for a folder)"}},
        {"source in another case", {MakeEntry("Top.txt")}, {"top.txt"}, 0,
         {"warning: entry 0 'Top.txt' differs in case from its source 'data\\top.txt'"}},
        {"repeated entry", {MakeEntry("top.txt"), MakeEntry("top.txt")}, {"top.txt"}, 0,
         {"warning: entry 1 'top.txt' repeats entry 0"}},
        {"bad path", {MakeEntry("..\\evil.txt")}, {}, 1,
         {"error: Updateinf.dat: entry 0 '..\\evil.txt': the path has a '..' component"}},
        {"name without code page 932 form in data", {MakeEntry("top.txt")}, {"top.txt", "😀.txt"}, 0,
         {"warning: 'data\\' holds '😀.txt', whose name has no code page 932 form"}},
    };
    for (const Verdict& c : cases) {
        SCOPED_TRACE(c.pszName);
        MakeBundle(c.entries, c.data);
        const ToolResult result = Check();
        EXPECT_EQ(c.nExit, result.nExit) << result.strErr;
        for (const std::string& strMessage : c.messages) {
            EXPECT_NE(std::string::npos, result.strErr.find("updtool: check: " + strMessage))
                << strMessage << " in\n" << result.strErr;
        }
        if (c.messages.empty()) {
            EXPECT_EQ("", result.strErr);
        }
        const char* pszVerdict = c.nExit == 0 ? "': would install: " : "': would not install: ";
        EXPECT_NE(std::string::npos, result.strOut.find(pszVerdict)) << result.strOut;
    }
}

TEST_F(ToolCheckTest, VerdictLineCountsEntriesAndWarnings) {
    MakeBundle({MakeEntry("bin\\"), MakeEntry("bin\\a.exe"), MakeEntry("top.txt")}, {"bin/a.exe", "top.txt", "x"});
    const ToolResult result = Check();
    EXPECT_EQ(0, result.nExit);
    EXPECT_EQ("'" + Path("bundle") + "': would install: 3 entries (1 directory, 2 files), 1 warning\n",
              result.strOut);

    MakeBundle({MakeEntry("a"), MakeEntry("b")}, {"x"});
    const ToolResult refused = Check();
    EXPECT_EQ(1, refused.nExit);
    EXPECT_EQ("'" + Path("bundle") + "': would not install: 2 errors, 1 warning\n", refused.strOut);
}

TEST_F(ToolCheckTest, MalformedManifestsAreNamedByTheirProblem) {
    struct Case {
        const char* pszName;
        std::string strBytes;
        const char* pszMessage;
    };
    std::string strCountBeyond = UpdateManifestBytes("P", "K", "V", {MakeEntry("a"), MakeEntry("b")});
    strCountBeyond[384] = 3;
    std::string strUnterminated = UpdateManifestBytes("P", "K", "V", {});
    for (int i = 128; i < 256; ++i) strUnterminated[i] = 'k';
    const Case cases[] = {
        {"short", std::string(100, '\0'), "the file is 100 bytes, shorter than the 396-byte header"},
        {"count", strCountBeyond, "the header counts 3 entries (804 bytes), but the file has 536 bytes after"},
        {"unterminated", strUnterminated, "a header text has no terminating NUL within its 128 bytes (the registry key)"},
        {"product", UpdateManifestBytes(std::string(61, 'P'), "K", "V", {}), "the product name is longer than 60 bytes (61 bytes)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        MakeBundle({}, {});
        MakeFile("bundle/Updateinf.dat", c.strBytes);
        const ToolResult result = Check();
        EXPECT_EQ(1, result.nExit);
        EXPECT_NE(std::string::npos, result.strErr.find(std::string("updtool: check: error: Updateinf.dat: ") +
                                                          c.pszMessage))
            << result.strErr;
        EXPECT_NE(std::string::npos, result.strOut.find("would not install")) << result.strOut;
    }
}

TEST_F(ToolCheckTest, MissingPartsOfTheBundle) {
    MakeBundle({MakeEntry("top.txt")}, {"top.txt"});
    Remove("bundle/Updateinf.dat");
    ToolResult result = Check();
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("error: cannot read Updateinf.dat")) << result.strErr;

    MakeBundle({MakeEntry("top.txt"), MakeEntry("two.txt")}, {});
    Remove("bundle/data");
    result = Check();
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("there is no data folder, so none of the 2 file entries"))
        << result.strErr;

    // Folders need no sources.
    MakeBundle({MakeEntry("bin\\")}, {});
    Remove("bundle/data");
    EXPECT_EQ(0, Check().nExit);

    result = Run({"check", Path("nowhere")});
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("is not a folder")) << result.strErr;
}

TEST_F(ToolCheckTest, SourcesThroughALinkedFolderAreFound) {
    MakeBundle({MakeEntry("bin\\"), MakeEntry("bin\\a.exe")}, {"real/a.exe"});
    if (!MakeHostFolderLink("real", Path("bundle/data/bin"))) GTEST_SKIP() << "no folder links here";
    const ToolResult result = Check();
    EXPECT_EQ(0, result.nExit) << result.strErr;
    EXPECT_NE(std::string::npos, result.strErr.find("warning: 'data\\bin' is a link to a folder")) << result.strErr;
    // The link is not walked, so its file is not counted twice.
    EXPECT_NE(std::string::npos, result.strOut.find(", 2 warnings\n")) << result.strOut;
}

TEST_F(ToolCheckTest, WrongCommandLinesAreUsageErrors) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check"}, {"check", "a", "b"}, {"check", "--json", "a"}}) {
        const ToolResult result = Run(args);
        EXPECT_EQ(2, result.nExit);
        EXPECT_NE(std::string::npos, result.strErr.find("usage: updtool check BUNDLE_DIR")) << result.strErr;
    }
}

}  // namespace
