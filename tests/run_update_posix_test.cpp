// The whole update through the POSIX window services: an observer plays the
// user, answering the dialogs and reading the message boxes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "copier.h"
#include "manifest.h"
#include "native_path_posix.h"
#include "resource.h"
#include "support/manifest_builder.h"
#include "support/registry_fixture.h"
#include "support/scratch.h"
#include "texts.h"
#include "update.h"
#include "window_posix.h"

namespace {

const char kValueName[] = "InstallDir";

enum class Answer { Ok, Cancel, Enter, Escape, Close, Nothing };

struct Box {
    std::string strText;
    bool bHasCaption;
    std::string strCaption;
    UINT uType;
    bool bProgressAlive;
};

class User : public WindowObserver {
public:
    Answer answer = Answer::Ok;
    size_t nCancelAtProgress = 0;  // 1-based bar update at which Cancel is pressed

    std::string strConfirmCaption;
    std::string strConfirmMessage;
    bool bProgressWasShown = false;
    std::vector<int> progress;
    std::vector<Box> boxes;

    void OnDialogCreated(HWND hDlg, int nTemplateId) override {
        char szText[256];
        if (nTemplateId == IDD_CONFIRM) {
            GetWindowTextA(hDlg, szText, sizeof szText);
            strConfirmCaption = szText;
            GetDlgItemTextA(hDlg, IDC_MESSAGE, szText, sizeof szText);
            strConfirmMessage = szText;
            switch (answer) {
                case Answer::Ok: Command(hDlg, IDOK); break;
                case Answer::Cancel: Command(hDlg, IDCANCEL); break;
                case Answer::Enter: PostMessageA(hDlg, WM_KEYDOWN, VK_RETURN, 0); break;
                case Answer::Escape: PostMessageA(hDlg, WM_KEYDOWN, VK_ESCAPE, 0); break;
                case Answer::Close: PostMessageA(hDlg, WM_CLOSE, 0, 0); break;
                case Answer::Nothing: break;
            }
        } else if (nTemplateId == IDD_PROGRESS) {
            m_hProgress = hDlg;
        }
    }
    void OnTextChanged(HWND hWnd) override {
        if (hWnd == m_hProgress && IsWindowVisible(hWnd)) bProgressWasShown = true;
    }
    void OnProgress(HWND hDlg, int, int nPosition) override {
        progress.push_back(nPosition);
        if (progress.size() == nCancelAtProgress) Command(hDlg, IDCANCEL);
    }
    int OnMessageBox(const char* pszText, const char* pszCaption, UINT uType) override {
        boxes.push_back({pszText, pszCaption != nullptr, pszCaption != nullptr ? pszCaption : "", uType,
                         IsWindow(m_hProgress) != FALSE});
        return IDOK;
    }

private:
    static void Command(HWND hDlg, int nId) { PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, 0), 0); }
    HWND m_hProgress = nullptr;
};

std::string NotInstalled(const std::string& strProduct) {
    char szText[128];
    std::snprintf(szText, sizeof szText, TEXT_NOT_INSTALLED_FORMAT, strProduct.c_str());
    return szText;
}

class RunUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        g_bCancel = 0;
        MakeDirectory(m_scratch / "prog");
        MakeDirectory(m_scratch / "prog\\data");
        MakeDirectory(m_scratch / "inst");
        std::string strNative;
        ASSERT_TRUE(ToNativePath((m_scratch / "prog\\Update.exe").c_str(), strNative));
        OverrideModuleFileName(strNative);
        SetWindowObserver(&m_user);
        m_key.SetString(kValueName, m_scratch / "inst\\");
    }
    void TearDown() override {
        SetWindowObserver(nullptr);
        OverrideModuleFileName("");
        FreeManifestTables();
        g_bCancel = 0;
    }

    void Update(const std::vector<FileEntry>& entries, const std::string& strProduct = "Sample") {
        WriteBytes(m_scratch / "prog\\Updateinf.dat",
                   UpdateManifestBytes(strProduct, m_key.SubKey(), kValueName, entries));
    }
    void Data(const std::string& strPath, const std::string& strBytes) {
        WriteBytes(m_scratch / ("prog\\data\\" + strPath), strBytes);
    }
    void Uninstall(const std::string& strBytes, const std::string& strPath = "inst\\Uninstallinf.dat") {
        WriteBytes(m_scratch / strPath, strBytes);
    }
    std::string UninstallNow(const std::string& strPath = "inst\\Uninstallinf.dat") { return ReadBytes(m_scratch / strPath); }

    void ExpectOneBox(const std::string& strText, const char* pszCaption) {
        ASSERT_EQ(1u, m_user.boxes.size());
        EXPECT_EQ(strText, m_user.boxes[0].strText);
        EXPECT_EQ(pszCaption != nullptr, m_user.boxes[0].bHasCaption);
        if (pszCaption != nullptr) {
            EXPECT_EQ(pszCaption, m_user.boxes[0].strCaption);
        }
        EXPECT_EQ(static_cast<UINT>(MB_OK), m_user.boxes[0].uType);
        EXPECT_FALSE(m_user.boxes[0].bProgressAlive);
    }

    ScratchDir m_scratch;
    TestRegistryKey m_key;
    User m_user;
};

TEST_F(RunUpdateTest, InstallsConfirmedUpdateAndRewritesTheManifest) {
    Update({MakeEntry("bin\\", 0, 1), MakeEntry("bin\\app.exe", 300000, 2), MakeEntry("\x95\x5C\\", 0, 3),
            MakeEntry("\x95\x5C\\readme.txt", 10, 4), MakeEntry("old.txt", 7, 5)});
    MakeDirectory(m_scratch / "prog\\data\\bin");
    Data("bin\\app.exe", PatternBytes(300000, 1));
    MakeDirectory(m_scratch / "prog\\data\\\x95\x5C");
    Data("\x95\x5C\\readme.txt", "hyo");
    Data("old.txt", "replaced");
    WriteBytes(m_scratch / "inst\\old.txt", "old");
    Uninstall(UninstallManifestBytes({MakeEntry("OLD.TXT", 3, 0)}, 0, 3));

    EXPECT_EQ(0, RunUpdate(nullptr));
    EXPECT_EQ("Sample \x83\x41\x83\x62\x83\x76\x83\x66\x81\x5B\x83\x67", m_user.strConfirmCaption);
    EXPECT_EQ("Sample\x82\xCC\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5B\x83\x67\x82\xF0\x8D\x73\x82\xA2\x82\xDC\x82\xB7",
              m_user.strConfirmMessage);
    EXPECT_TRUE(m_user.bProgressWasShown);
    // Three full chunks, then the empty fourth read ends the file.
    EXPECT_EQ((std::vector<int>{0, 33, 66, 100, 100, 0, 100, 0, 100}), m_user.progress);
    ExpectOneBox(TEXT_DONE, TEXT_DONE_CAPTION);
    EXPECT_TRUE(ReadBytes(m_scratch / "inst\\bin\\app.exe") == PatternBytes(300000, 1));
    EXPECT_EQ("hyo", ReadBytes(m_scratch / "inst\\\x95\x5C\\readme.txt"));
    EXPECT_EQ("replaced", ReadBytes(m_scratch / "inst\\old.txt"));
    EXPECT_TRUE(SameBytes(ManifestBytes(MakeUninstallHeader(5, 2, 300017),
                                        {MakeEntry("OLD.TXT", 7, 5), MakeEntry("bin\\", 0, 1),
                                         MakeEntry("bin\\app.exe", 300000, 2), MakeEntry("\x95\x5C\\", 0, 3),
                                         MakeEntry("\x95\x5C\\readme.txt", 10, 4)}),
                          UninstallNow()));
    EXPECT_FALSE(FileExists(m_scratch / "inst\\Uninstallinf.tmp"));
}

TEST_F(RunUpdateTest, OnlyOkGoesOn) {
    const std::string strManifest = UninstallManifestBytes({MakeEntry("a.txt", 1, 0)});
    for (Answer answer : {Answer::Cancel, Answer::Escape, Answer::Close, Answer::Nothing}) {
        Update({MakeEntry("new.txt", 1, 0)});
        Data("new.txt", "new");
        Uninstall(strManifest);
        m_user = User();
        m_user.answer = answer;
        EXPECT_EQ(0, RunUpdate(nullptr));
        EXPECT_TRUE(m_user.boxes.empty()) << static_cast<int>(answer);
        EXPECT_FALSE(FileExists(m_scratch / "inst\\new.txt")) << static_cast<int>(answer);
        EXPECT_TRUE(SameBytes(strManifest, UninstallNow())) << static_cast<int>(answer);
        FreeManifestTables();
    }
    m_user = User();
    m_user.answer = Answer::Enter;
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_DONE, TEXT_DONE_CAPTION);
    EXPECT_TRUE(FileExists(m_scratch / "inst\\new.txt"));
}

TEST_F(RunUpdateTest, MissingOrRejectedUpdateManifest) {
    Uninstall(UninstallManifestBytes({}));
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_NO_UPDATE_INFO, nullptr);
    EXPECT_TRUE(m_user.strConfirmCaption.empty());

    m_user = User();
    // One byte short of its only record.
    const std::string strBytes = UpdateManifestBytes("Sample", m_key.SubKey(), kValueName, {MakeEntry("a.txt")});
    WriteBytes(m_scratch / "prog\\Updateinf.dat", strBytes.substr(0, strBytes.size() - 1));
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_NO_UPDATE_INFO, nullptr);
    EXPECT_TRUE(SameBytes(UninstallManifestBytes({}), UninstallNow()));
}

TEST_F(RunUpdateTest, ProductNotInstalled) {
    const std::string strProduct = "\x83\x54\x83\x93\x83\x76\x83\x8B";  // サンプル
    struct Case {
        const char* pszWhat;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"missing key", [&] { WriteBytes(m_scratch / "prog\\Updateinf.dat",
                                         UpdateManifestBytes(strProduct, m_key.SubKey() + "\\none", kValueName, {})); }},
        {"missing value", [&] { WriteBytes(m_scratch / "prog\\Updateinf.dat",
                                           UpdateManifestBytes(strProduct, m_key.SubKey(), "Other", {})); }},
        {"missing manifest", [&] { m_key.SetString(kValueName, m_scratch / "elsewhere\\"); }},
        {"short manifest", [&] { Uninstall(UninstallManifestBytes({MakeEntry("x")}).substr(0, 5400)); }},
        {"install folder too long", [&] { m_key.SetString(kValueName, std::string(244, 'x')); }},
        {"value without terminator", [&] { m_key.SetStringRaw(kValueName, std::string(260, 'y')); }},
        {"key the user may only read", [&] { m_key.MakeReadOnly(); }},
    };
    for (const Case& c : cases) {
        Update({}, strProduct);
        Uninstall(UninstallManifestBytes({}));
        m_key.SetString(kValueName, m_scratch / "inst\\");
        c.arrange();
        m_user = User();
        EXPECT_EQ(0, RunUpdate(nullptr)) << c.pszWhat;
        SCOPED_TRACE(c.pszWhat);
        ExpectOneBox(NotInstalled(strProduct), nullptr);
        EXPECT_TRUE(m_user.strConfirmCaption.empty());
        FreeManifestTables();
    }
}

TEST_F(RunUpdateTest, ProductNameOf60BytesFitsEveryText) {
    const std::string strProduct(60, 'P');
    Update({}, strProduct);
    m_key.SetString(kValueName, m_scratch / "none\\");
    EXPECT_EQ(0, RunUpdate(nullptr));
    ASSERT_EQ(1u, m_user.boxes.size());
    EXPECT_EQ(127u, m_user.boxes[0].strText.size());
    EXPECT_EQ(NotInstalled(strProduct), m_user.boxes[0].strText);
}

TEST_F(RunUpdateTest, EmptyUpdateSucceedsAndKeepsTheManifest) {
    Update({});
    const std::string strManifest = UninstallManifestBytes({MakeEntry("a", 1, 2)}, 1, 1);
    Uninstall(strManifest);
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_DONE, TEXT_DONE_CAPTION);
    EXPECT_TRUE(SameBytes(strManifest, UninstallNow()));
}

TEST_F(RunUpdateTest, InstallFolderStoredWithoutBackslash) {
    // The manifest is the folder's path followed directly by the file name.
    m_key.SetString(kValueName, m_scratch / "inst");
    Update({MakeEntry("a.txt", 1, 0)});
    Data("a.txt", "a");
    Uninstall(UninstallManifestBytes({}), "instUninstallinf.dat");
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_DONE, TEXT_DONE_CAPTION);
    EXPECT_EQ("a", ReadBytes(m_scratch / "inst\\a.txt"));
    EXPECT_TRUE(SameBytes(UninstallManifestBytes({MakeEntry("a.txt", 1, 0)}, 1, 1), UninstallNow("instUninstallinf.dat")));
    EXPECT_FALSE(FileExists(m_scratch / "inst\\Uninstallinf.dat"));
}

TEST_F(RunUpdateTest, CancelDuringCopyKeepsWhatWasInstalled) {
    Update({MakeEntry("a.txt", 1, 0), MakeEntry("big.bin", 2, 0), MakeEntry("c.txt", 3, 0)});
    Data("a.txt", "a");
    Data("big.bin", PatternBytes(350000, 2));
    Data("c.txt", "c");
    WriteBytes(m_scratch / "inst\\big.bin", "installed");
    Uninstall(UninstallManifestBytes({}));
    m_user.nCancelAtProgress = 4;  // a: 0, 100; big: 0, 28 <- press
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_FAILED, nullptr);
    EXPECT_EQ("installed", ReadBytes(m_scratch / "inst\\big.bin"));
    EXPECT_FALSE(FileExists(m_scratch / "inst\\c.txt"));
    EXPECT_TRUE(SameBytes(UninstallManifestBytes({MakeEntry("a.txt", 1, 0)}, 1, 1), UninstallNow()));
}

TEST_F(RunUpdateTest, MissingSourceFailsAndRecordsTheEntriesBefore) {
    Update({MakeEntry("d\\", 0, 0), MakeEntry("d\\gone.txt", 1, 0)});
    Uninstall(UninstallManifestBytes({}));
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_FAILED, nullptr);
    EXPECT_TRUE(SameBytes(UninstallManifestBytes({MakeEntry("d\\", 0, 0)}), UninstallNow()));
    EXPECT_FALSE(FileExists(m_scratch / "inst\\d\\gone.txt"));
}

TEST_F(RunUpdateTest, ProgramFolderTooLongCountsAsNoUpdateManifest) {
    std::string strDir = m_scratch.Path();
    while (strDir.size() < 250) strDir += "p";
    std::string strNative;
    ASSERT_TRUE(ToNativePath((strDir + "\\Update.exe").c_str(), strNative));
    OverrideModuleFileName(strNative);
    EXPECT_EQ(0, RunUpdate(nullptr));
    ExpectOneBox(TEXT_NO_UPDATE_INFO, nullptr);
}

}  // namespace
