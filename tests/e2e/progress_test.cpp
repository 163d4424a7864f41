// The progress dialog during a copy of many steps, and cancelling it.
#include <vector>

#include "fixture.h"

namespace e2e {
namespace {

// Long enough (400 copy steps) that the dialog can be read, and cancelled,
// while the copy runs: the program answers one message per step.
const size_t kLargeSize = 40000000;

std::string CopyingText(const std::string& strPath) { return strPath + Sjis("をコピー中..."); }

TEST_F(E2ETest, ProgressShowsCaptionFileAndBar) {
    ArrangeWorking();
    const std::string strFolder = Sjis("動画\\");
    const std::string strLarge = Sjis("動画\\映像.bin");
    WriteUpdateInf({MakeEntry(strFolder, 0, 0), MakeEntry(strLarge, 40, 6)});
    WriteData(strLarge, PatternBytes(kLargeSize, 31));
    Tree expected = ReadTree(Root());

    ASSERT_TRUE(Start());
    HWND hConfirm = nullptr;
    ASSERT_TRUE(m_program.WaitFor(Dialog::Confirm, &hConfirm));
    SaveScreenshot(hConfirm, "confirm.bmp");
    ASSERT_TRUE(Click(hConfirm, IDOK));
    HWND hProgress = nullptr;
    ASSERT_TRUE(m_program.WaitFor(Dialog::Progress, &hProgress));
    const std::string strCaption = Caption(hProgress);

    // Each answer comes from between two copy steps, so it shows the copy
    // under way; the dialog goes as soon as the copy ends.
    std::vector<std::string> statuses;
    std::vector<int> positions;
    for (int i = 0; i < 8 && IsWindow(hProgress); ++i) {
        std::string strStatus;
        int nPosition = -1;
        if (!ControlText(hProgress, kIdStatus, &strStatus) || !ProgressPosition(hProgress, &nPosition)) break;
        statuses.push_back(strStatus);
        positions.push_back(nPosition);
    }
    SaveScreenshot(hProgress, "progress.bmp");
    std::string strRead;
    for (int nPosition : positions) strRead += std::to_string(nPosition) + " ";
    RecordProperty("BarPositionsRead", strRead);

    ASSERT_FALSE(statuses.empty()) << "the progress dialog answered no read during the copy";
    EXPECT_EQ(Utf8(strCaption), "アップデート中");
    for (const std::string& strStatus : statuses) EXPECT_EQ(Utf8(strStatus), Utf8(CopyingText(strLarge)));
    EXPECT_GE(positions.size(), 2u) << "the copy ended before two reads of the bar";
    for (size_t i = 0; i < positions.size(); ++i) {
        EXPECT_GE(positions[i], 0);
        EXPECT_LE(positions[i], 100);
        if (i > 0) {
            EXPECT_GE(positions[i], positions[i - 1]) << "the bar went back at read " << i;
        }
    }

    EXPECT_TRUE(ExpectMessageBox(DoneText(), DoneCaption(), "result.bmp"));
    EXPECT_TRUE(m_program.WaitForExit());
    expected["app\\" + strFolder] = "";
    expected["app\\" + strLarge] = PatternBytes(kLargeSize, 31);
    expected["app\\Uninstallinf.dat"] = UninstallManifestBytes(
        {MakeEntry("old.txt", 5, 2), MakeEntry(strFolder, 0, 0), MakeEntry(strLarge, 40, 6)}, 2, 45);
    EXPECT_TRUE(SameTree(expected, ReadTree(Root())));
}

// Cancel during the large file: what came before stays installed and listed,
// the large file keeps its old content and record, and nothing after it runs.
TEST_F(E2ETest, CancelKeepsWhatWasInstalled) {
    ArrangeWorking();
    WriteUpdateInf({MakeEntry("sub\\", 0, 0), MakeEntry("a.txt", 1, 1), MakeEntry("sub\\b.txt", 2, 2),
                    MakeEntry("big.bin", 9, 9), MakeEntry("c.txt", 3, 3)});
    WriteData("a.txt", PatternBytes(100, 41));
    WriteData("sub\\b.txt", PatternBytes(200, 42));
    WriteData("big.bin", PatternBytes(kLargeSize, 43));
    WriteData("c.txt", PatternBytes(300, 44));
    WriteBytes(m_strInstallDir + "big.bin", PatternBytes(5000, 45));
    WriteBytes(m_strInstallDir + "Uninstallinf.dat", UninstallManifestBytes({MakeEntry("big.bin", 5, 5)}, 1, 5));
    Tree expected = ReadTree(Root());

    ASSERT_TRUE(Start());
    HWND hConfirm = nullptr;
    ASSERT_TRUE(m_program.WaitFor(Dialog::Confirm, &hConfirm));
    ASSERT_TRUE(Click(hConfirm, IDOK));
    HWND hProgress = nullptr;
    ASSERT_TRUE(m_program.WaitFor(Dialog::Progress, &hProgress));
    // Only a file of many steps answers between steps, so this is big.bin's
    // copy under way; a few more reads are allowed should an answer come earlier.
    std::string strStatus;
    for (int i = 0; i < 20 && strStatus != CopyingText("big.bin"); ++i) {
        ASSERT_TRUE(ControlText(hProgress, kIdStatus, &strStatus)) << "the copy ended before Cancel";
    }
    ASSERT_EQ(Utf8(strStatus), Utf8(CopyingText("big.bin")));
    ASSERT_TRUE(Click(hProgress, IDCANCEL));

    EXPECT_TRUE(ExpectMessageBox(FailedText(), DefaultMessageBoxCaption()));
    EXPECT_TRUE(m_program.WaitForExit());
    expected["app\\sub\\"] = "";
    expected["app\\a.txt"] = PatternBytes(100, 41);
    expected["app\\sub\\b.txt"] = PatternBytes(200, 42);
    expected["app\\Uninstallinf.dat"] = UninstallManifestBytes(
        {MakeEntry("big.bin", 5, 5), MakeEntry("sub\\", 0, 0), MakeEntry("a.txt", 1, 1), MakeEntry("sub\\b.txt", 2, 2)},
        3, 8);
    EXPECT_TRUE(SameTree(expected, ReadTree(Root())));
}

}  // namespace
}  // namespace e2e
