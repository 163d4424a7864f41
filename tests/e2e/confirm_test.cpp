// The confirmation dialog: what it says, and each way a user answers it.
#include <functional>
#include <ostream>

#include "fixture.h"

namespace e2e {
namespace {

TEST_F(E2ETest, ConfirmationNamesTheProduct) {
    ArrangeWorking();
    const Tree before = ReadTree(Root());
    ASSERT_TRUE(Start());
    HWND hConfirm = nullptr;
    ASSERT_TRUE(m_program.WaitFor(Dialog::Confirm, &hConfirm));

    EXPECT_EQ(Utf8(Caption(hConfirm)), "サンプル アップデート");
    std::string strText;
    ASSERT_TRUE(ControlText(hConfirm, kIdMessage, &strText));
    EXPECT_EQ(Utf8(strText), "サンプルのアップデートを行います");
    ASSERT_TRUE(ControlText(hConfirm, IDOK, &strText));
    EXPECT_EQ(strText, "OK");
    ASSERT_TRUE(ControlText(hConfirm, IDCANCEL, &strText));
    EXPECT_EQ(Utf8(strText), "ｷｬﾝｾﾙ");
    // Nothing is touched while the user decides.
    EXPECT_TRUE(SameTree(before, ReadTree(Root())));

    ASSERT_TRUE(Click(hConfirm, IDCANCEL));
    EXPECT_TRUE(m_program.WaitForExit());
}

struct Answer {
    const char* pszName;
    std::function<testing::AssertionResult(HWND)> give;
    bool bGoesOn;
};

// Names the case in test names (CTest puts it in place of the index).
void PrintTo(const Answer& c, std::ostream* pOut) { *pOut << c.pszName; }

const Answer kAnswers[] = {
    {"OkButton", [](HWND h) { return Click(h, IDOK); }, true},
    {"EnterKey", [](HWND h) { return PressKey(h, VK_RETURN); }, true},
    {"CancelButton", [](HWND h) { return Click(h, IDCANCEL); }, false},
    {"EscapeKey", [](HWND h) { return PressKey(h, VK_ESCAPE); }, false},
    {"CloseButton", [](HWND h) { return CloseByTitleBar(h); }, false},
};

class ConfirmAnswer : public E2ETest, public testing::WithParamInterface<Answer> {};

// Going on installs and says so; stopping ends the program with no message
// and nothing written.
TEST_P(ConfirmAnswer, InstallsOnlyWhenAccepted) {
    ArrangeWorking();
    Tree expected = ReadTree(Root());
    ASSERT_TRUE(Start());
    HWND hConfirm = nullptr;
    ASSERT_TRUE(m_program.WaitFor(Dialog::Confirm, &hConfirm));
    ASSERT_TRUE(GetParam().give(hConfirm));

    if (GetParam().bGoesOn) {
        EXPECT_TRUE(ExpectMessageBox(DoneText(), DoneCaption()));
        expected["app\\readme.txt"] = PatternBytes(1000, 1);
        expected["app\\Uninstallinf.dat"] = WorkingManifestAfter();
    }
    EXPECT_TRUE(m_program.WaitForExit());
    EXPECT_TRUE(SameTree(expected, ReadTree(Root())));
}

INSTANTIATE_TEST_SUITE_P(E2E, ConfirmAnswer, testing::ValuesIn(kAnswers));

}  // namespace
}  // namespace e2e
