// updtool uninstall-manifest: an installed folder listed as the program's
// uninstall loader reads it.
#include <gtest/gtest.h>

#include "host_files.h"
#include "support/tool_fixture.h"
#include "texts.h"

namespace {

class ToolUninstallTest : public ToolTest {};

TEST_F(ToolUninstallTest, ListsTheTreeLikeBuildAndLeavesItselfOut) {
    MakeFile("app/app.exe", std::string(3000, 'x'));
    MakeFile("app/doc/日本語.txt", "abc");
    MakeFolder("app/empty");
    for (int nRun = 0; nRun < 2; ++nRun) {
        const ToolResult result = Run({"uninstall-manifest", "--tree", Path("app")});
        ASSERT_EQ(0, result.nExit) << result.strErr;
        EXPECT_EQ("wrote " + JoinHostPath(Path("app"), "Uninstallinf.dat") + ": 4 entries, total amount 3003\n", result.strOut);
    }
    UninstallHeader header;
    const std::vector<FileEntry> entries = LoadUninstall("app/Uninstallinf.dat", &header);
    EXPECT_EQ((std::vector<std::string>{"app.exe", "doc\\", "doc\\\x93\xfa\x96\x7b\x8c\xea.txt", "empty\\"}),
              PathsOf(entries));
    EXPECT_EQ(4u, header.dwEntryCount);
    EXPECT_EQ(0u, header.dwAddedCount);
    EXPECT_EQ(3003, header.lTotalAmount);
    EXPECT_TRUE(AllZero(header.abHead, sizeof header.abHead));
    EXPECT_TRUE(AllZero(header.abTail, sizeof header.abTail));
    for (const FileEntry& entry : entries) EXPECT_EQ(0u, entry.dwInfo);

    // The same listing as build makes of the folder.
    const ToolResult built = Run({"build", "--data", Path("app"), "--product", "P", "--key", "K", "--value", "V",
                                  "--out", Path("Updateinf.dat")});
    ASSERT_EQ(0, built.nExit) << built.strErr;
    const std::vector<std::string> buildPaths = PathsOf(LoadUpdate("Updateinf.dat"));
    // build lists the uninstall manifest now in the folder; nothing else differs.
    std::vector<std::string> expected = PathsOf(entries);
    expected.insert(expected.begin(), "Uninstallinf.dat");
    EXPECT_EQ(expected, buildPaths);
}

TEST_F(ToolUninstallTest, AmountsFollowTheModeAndOutputMayLieElsewhere) {
    MakeFile("app/a", std::string(1025, 'a'));
    MakeFile("app/Uninstallinf.dat", "an older one, listed since the output goes elsewhere");
    const ToolResult result =
        Run({"uninstall-manifest", "--tree", Path("app"), "--amount", "kib", "--out", Path("out.dat")});
    ASSERT_EQ(0, result.nExit) << result.strErr;
    UninstallHeader header;
    const std::vector<FileEntry> entries = LoadUninstall("out.dat", &header);
    EXPECT_EQ((std::vector<std::string>{"Uninstallinf.dat", "a"}), PathsOf(entries));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(1, entries[0].lAmount);
    EXPECT_EQ(2, entries[1].lAmount);
    EXPECT_EQ(3, header.lTotalAmount);
}

TEST_F(ToolUninstallTest, RefusesAsBuildDoesAndWritesNothing) {
    MakeFile("app/表", "x");
    MakeFile("app/ok.txt", "x");
    MakeFile("app/Uninstallinf.dat", "previous");
    const ToolResult result = Run({"uninstall-manifest", "--tree", Path("app")});
    EXPECT_EQ(1, result.nExit);
    EXPECT_NE(std::string::npos, result.strErr.find("updtool: uninstall-manifest: '表': ")) << result.strErr;
    EXPECT_EQ("previous", Read("app/Uninstallinf.dat"));
    EXPECT_EQ((std::vector<std::string>{"Uninstallinf.dat", "ok.txt", "表"}), Names("app"));

    EXPECT_EQ(2, Run({"uninstall-manifest"}).nExit);
    EXPECT_EQ(2, Run({"uninstall-manifest", "--tree", Path("app"), "--info", "1"}).nExit);
    EXPECT_EQ(1, Run({"uninstall-manifest", "--tree", Path("none")}).nExit);
}

}  // namespace
