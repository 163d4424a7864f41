// updtool dump: either manifest shown as text or JSON, and refused whole
// when it is truncated or malformed.
#include <gtest/gtest.h>

#include "support/manifest_builder.h"
#include "support/tool_fixture.h"

namespace {

class ToolDumpTest : public ToolTest {
protected:
    std::string KnownUpdate() {
        UpdateHeader header = MakeUpdateHeader("\x90\xbb\x95\x69", "Software\\Vendor", "InstallDir", 3);  // 製品
        header.abReserved[0] = 0x01;
        header.abReserved[7] = 0xAB;
        return ManifestBytes(header, {MakeEntry("bin\\"), MakeEntry("bin\\a.exe", 42, 7),
                                      MakeEntry("bad\x82", -1, 0xFFFFFFFF)});  // a lead byte without its trail
    }
};

TEST_F(ToolDumpTest, JsonOfAKnownUpdateManifest) {
    MakeFile("Updateinf.dat", KnownUpdate());
    const ToolResult result = Run({"dump", Path("Updateinf.dat"), "--json"});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    EXPECT_EQ("", result.strErr);
    EXPECT_EQ(R"({
  "kind": "update",
  "product_name": "製品",
  "registry_key": "Software\\Vendor",
  "registry_value": "InstallDir",
  "entry_count": 3,
  "reserved": "01000000000000ab",
  "entries": [
    {"kind": "directory", "path": "bin\\", "amount": 0, "info": 0},
    {"kind": "file", "path": "bin\\a.exe", "amount": 42, "info": 7},
    {"kind": "file", "path": "bad\\x82", "path_hex": "62616482", "amount": -1, "info": 4294967295}
  ]
}
)",
              result.strOut);
}

TEST_F(ToolDumpTest, TextOfAKnownUpdateManifest) {
    MakeFile("Updateinf.dat", KnownUpdate());
    const ToolResult result = Run({"dump", Path("Updateinf.dat")});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    EXPECT_EQ(R"(kind: update
product name: 製品
registry key: Software\Vendor
registry value: InstallDir
entry count: 3
reserved: 01000000000000ab
entry 0: directory, amount 0, info 0, path bin\
entry 1: file, amount 42, info 7, path bin\a.exe
entry 2: file, amount -1, info 4294967295, path bad\x82
)",
              result.strOut);
}

TEST_F(ToolDumpTest, UninstallBlocksAppearOnlyWhenNotZero) {
    UninstallHeader header;
    std::memset(&header, 0, sizeof header);
    header.dwEntryCount = 1;
    header.lTotalAmount = 10;
    MakeFile("Uninstallinf.dat", ManifestBytes(header, {MakeEntry("a.txt", 10, 3)}));
    ToolResult result = Run({"dump", Path("Uninstallinf.dat"), "--json"});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    EXPECT_EQ(R"({
  "kind": "uninstall",
  "entry_count": 1,
  "added_count": 0,
  "total_amount": 10,
  "entries": [
    {"kind": "file", "path": "a.txt", "amount": 10, "info": 3}
  ]
})" "\n",
              result.strOut);

    // The builder fills both blocks with patterns.
    MakeFile("Uninstallinf.dat", UninstallManifestBytes({}, 2, -5));
    result = Run({"dump", Path("Uninstallinf.dat")});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    EXPECT_NE(std::string::npos, result.strOut.find("added count: 2\ntotal amount: -5\nhead: 01080f16")) << result.strOut;
    EXPECT_NE(std::string::npos, result.strOut.find("\ntail: 05121f2c")) << result.strOut;
    EXPECT_EQ(std::string::npos, result.strOut.find("entry 0"));
}

TEST_F(ToolDumpTest, TruncatedOrMalformedFilesAreRefusedWithTheProblem) {
    std::string strShortRecords = UninstallManifestBytes({MakeEntry("a.txt")});
    strShortRecords.pop_back();
    std::string strHugeCount = UpdateManifestBytes("P", "K", "V", {});
    strHugeCount.replace(384, 4, "\xff\xff\xff\xff", 4);
    struct Case {
        const char* pszFile;
        std::string strBytes;
        const char* pszMessage;
    };
    const Case cases[] = {
        {"Uninstallinf.dat", std::string(5000, '\0'), "the file is 5000 bytes, shorter than the 5324-byte header"},
        {"Updateinf.dat", std::string(100, '\0'), "the file is 100 bytes, shorter than the 396-byte header"},
        {"Updateinf.dat", "", "the file is 0 bytes, shorter than the 396-byte header"},
        {"Uninstallinf.dat", strShortRecords,
         "the header counts 1 entry (268 bytes), but the file has 267 bytes after its 5324-byte header"},
        {"Updateinf.dat", strHugeCount, "the header counts 4294967295 entries"},
        {"Updateinf.dat", UpdateManifestBytes("P", "K", "V", {MakeEntry("ok"), MakeEntry("C:\\x")}),
         "entry 1 'C:\\x': the path holds a colon"},
        {"Uninstallinf.dat", UninstallManifestBytes({MakeEntry(std::string(260, 'a'))}),
         "entry 0 '" "aaaa"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszMessage);
        MakeFile(c.pszFile, c.strBytes);
        for (bool bJson : {false, true}) {
            std::vector<std::string> args = {"dump", Path(c.pszFile)};
            if (bJson) args.push_back("--json");
            const ToolResult result = Run(args);
            EXPECT_EQ(1, result.nExit);
            EXPECT_EQ("", result.strOut);
            EXPECT_NE(std::string::npos,
                      result.strErr.find("updtool: dump: '" + Path(c.pszFile) + "': " + c.pszMessage))
                << result.strErr;
        }
        Remove(c.pszFile);
    }
}

TEST_F(ToolDumpTest, AnUnterminatedUninstallPathIsNamed) {
    MakeFile("Uninstallinf.dat", UninstallManifestBytes({MakeEntry("a"), MakeEntry(std::string(260, 'a'))}));
    const ToolResult result = Run({"dump", Path("Uninstallinf.dat")});
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("entry 1 '" + std::string(260, 'a') +
                                                      "': the path has no terminating NUL within its 260 bytes"))
        << result.strErr;
}

TEST_F(ToolDumpTest, KindComesFromTheNameOrFromKind) {
    MakeFile("UPDATEINF.DAT", UpdateManifestBytes("P", "K", "V", {}));
    MakeFile("copy.bin", UninstallManifestBytes({}));
    EXPECT_EQ(0, Run({"dump", Path("UPDATEINF.DAT")}).nExit);
    EXPECT_EQ(0, Run({"dump", "--kind", "uninstall", Path("copy.bin")}).nExit);
    // Read as the other kind, the same bytes are too short.
    ToolResult result = Run({"dump", "--kind=uninstall", Path("UPDATEINF.DAT")});
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("shorter than the 5324-byte header")) << result.strErr;

    result = Run({"dump", Path("copy.bin")});
    EXPECT_EQ(2, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("give --kind update or --kind uninstall")) << result.strErr;
    EXPECT_EQ(2, Run({"dump", Path("copy.bin"), "--kind", "install"}).nExit);
    EXPECT_EQ(2, Run({"dump"}).nExit);

    result = Run({"dump", Path("missing/Updateinf.dat")});
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("updtool: dump: cannot read '")) << result.strErr;
}

TEST_F(ToolDumpTest, BuildThenDumpAndTheLoaderAgree) {
    MakeFile("data/readme.txt", "abc");
    MakeFile("data/日本語/表.txt", "12345");
    ToolResult result = Run({"build", "--data", Path("data"), "--product", "製品", "--key", "Software\\製品", "--value",
                             "Dir", "--info", "9"});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    result = Run({"dump", Path("Updateinf.dat"), "--json"});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    EXPECT_EQ(R"({
  "kind": "update",
  "product_name": "製品",
  "registry_key": "Software\\製品",
  "registry_value": "Dir",
  "entry_count": 3,
  "entries": [
    {"kind": "file", "path": "readme.txt", "amount": 3, "info": 9},
    {"kind": "directory", "path": "日本語\\", "amount": 0, "info": 9},
    {"kind": "file", "path": "日本語\\表.txt", "amount": 5, "info": 9}
  ]
})" "\n",
              result.strOut);
    UpdateHeader header;
    const std::vector<FileEntry> entries = LoadUpdate("Updateinf.dat", &header);
    EXPECT_STREQ("Software\\\x90\xbb\x95\x69", header.szRegistryKey);
    EXPECT_EQ((std::vector<std::string>{"readme.txt", "\x93\xfa\x96\x7b\x8c\xea\\",
                                        "\x93\xfa\x96\x7b\x8c\xea\\\x95\x5c.txt"}),
              PathsOf(entries));
}

}  // namespace
