// The built updtool program: exit codes, streams, and arguments that only
// survive as UTF-8 (on Windows, taken from the wide command line).
#include <gtest/gtest.h>

#include "support/manifest_builder.h"
#include "support/tool_fixture.h"

namespace {

class ToolExecutableTest : public ToolTest {
protected:
    ToolResult RunProgram(const std::vector<std::string>& args) {
        const int nExit = RunUpdtoolProgram(args, Path("stdout.txt"), Path("stderr.txt"));
        return ToolResult{nExit, Read("stdout.txt"), Read("stderr.txt")};
    }
};

TEST_F(ToolExecutableTest, ExitCodesAndStreams) {
    MakeFile("Updateinf.dat", std::string(10, '\0'));
    struct Case {
        std::vector<std::string> args;
        int nExit;
        const char* pszOut;  // in the output stream, or nullptr for none at all
        const char* pszErr;
    };
    const Case cases[] = {
        {{"--help"}, 0, "example:", nullptr},
        {{}, 2, nullptr, "usage:"},
        {{"frobnicate"}, 2, nullptr, "updtool: unknown command 'frobnicate'"},
        {{"dump", Path("Updateinf.dat")}, 1, nullptr,
         "the file is 10 bytes, shorter than the 396-byte header"},
    };
    for (const Case& c : cases) {
        const ToolResult result = RunProgram(c.args);
        EXPECT_EQ(c.nExit, result.nExit) << result.strErr;
        if (c.pszOut == nullptr) {
            EXPECT_EQ("", result.strOut);
        } else {
            EXPECT_NE(std::string::npos, result.strOut.find(c.pszOut)) << result.strOut;
        }
        if (c.pszErr == nullptr) {
            EXPECT_EQ("", result.strErr);
        } else {
            EXPECT_NE(std::string::npos, result.strErr.find(c.pszErr)) << result.strErr;
        }
    }
}

TEST_F(ToolExecutableTest, JapaneseArgumentsReachTheCommand) {
    MakeFile("製品 フォルダ/data/表.txt", "abc");
    const ToolResult result = RunProgram({"build", "--data", Path("製品 フォルダ/data"), "--product", "製品",
                                          "--key", "Software\\製品", "--value", "Dir"});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    UpdateHeader header;
    const std::vector<FileEntry> entries = LoadUpdate("製品 フォルダ/Updateinf.dat", &header);
    EXPECT_STREQ("\x90\xbb\x95\x69", header.szProductName);
    EXPECT_EQ((std::vector<std::string>{"\x95\x5c.txt"}), PathsOf(entries));
    EXPECT_EQ(0, RunProgram({"check", Path("製品 フォルダ")}).nExit);
}

}  // namespace
