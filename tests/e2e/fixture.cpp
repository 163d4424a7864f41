#include "fixture.h"

namespace e2e {

std::string NoUpdateInfoText() { return Sjis("アップデート情報ファイルが開けませんでした"); }

std::string NotInstalledText(const std::string& strProduct) {
    return strProduct + Sjis("が正常にインストールされていません\nインストール後、実行してください");
}

std::string DoneText() { return Sjis("アップデートが完了しました"); }
std::string DoneCaption() { return Sjis("完了"); }
std::string FailedText() { return Sjis("アップデートに失敗しました"); }

void E2ETest::SetUp() {
    // The program and these tests read every text and path in code page 932.
    ASSERT_EQ(GetACP(), 932u) << "run under a Japanese locale (LC_ALL=ja_JP.UTF-8)";
    ASSERT_FALSE(Root().empty());
    m_key.reset(new ProductKey());
    m_strProduct = Sjis("サンプル");
    m_strWorkingDir = Root() + "cwd\\";
    MakeDir(m_strWorkingDir);
}

void E2ETest::PlaceProgram(const std::string& strRelativeDir) {
    m_strProgramDir = Root() + strRelativeDir + "\\";
    MakeDir(m_strProgramDir);
    CopyIn(BuiltUpdateExe(), m_strProgramDir + "Update.exe");
}

void E2ETest::WriteUpdateInf(const std::vector<FileEntry>& entries) {
    WriteBytes(m_strProgramDir + "Updateinf.dat",
               UpdateManifestBytes(m_strProduct, m_key->SubKey(), m_strValueName, entries));
}

void E2ETest::WriteData(const std::string& strRelative, const std::string& strBytes) {
    const std::string strPath = m_strProgramDir + "data\\" + strRelative;
    // Folders along the way; a 0x5C that ends a double-byte character is no separator.
    for (size_t i = m_strProgramDir.size(); i < strPath.size(); ++i) {
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(strPath[i]))) {
            ++i;
        } else if (strPath[i] == '\\') {
            CreateDirectoryA(strPath.substr(0, i).c_str(), nullptr);
        }
    }
    WriteBytes(strPath, strBytes);
}

void E2ETest::StoreInstallDir(const std::string& strValue) { m_key->SetString(m_strValueName, strValue); }

void E2ETest::UseKey(const std::string& strSuffix) { m_key.reset(new ProductKey(strSuffix)); }

void E2ETest::ArrangeWorking() {
    PlaceProgram("prog");
    WriteUpdateInf({MakeEntry("readme.txt", 10, 1)});
    WriteData("readme.txt", PatternBytes(1000, 1));
    m_strInstallDir = Root() + "app\\";
    MakeDir(m_strInstallDir);
    WriteBytes(m_strInstallDir + "old.txt", PatternBytes(300, 2));
    WriteBytes(m_strInstallDir + "Uninstallinf.dat", UninstallManifestBytes({MakeEntry("old.txt", 5, 2)}, 1, 5));
    StoreInstallDir(m_strInstallDir);
}

std::string E2ETest::WorkingManifestAfter() {
    return UninstallManifestBytes({MakeEntry("old.txt", 5, 2), MakeEntry("readme.txt", 10, 1)}, 2, 15);
}

testing::AssertionResult E2ETest::Start() {
    // Started from elsewhere: it must find its files from its own path.
    return m_program.Start(m_strProgramDir + "Update.exe", m_strWorkingDir);
}

testing::AssertionResult E2ETest::ExpectMessageBox(const std::string& strText, const std::string& strCaption,
                                                   const char* pszScreenshot) {
    HWND hBox = nullptr;
    testing::AssertionResult waited = m_program.WaitFor(Dialog::MessageBox, &hBox);
    if (!waited) return waited;
    std::string strShown;
    testing::AssertionResult read = ControlText(hBox, kIdMessageBoxText, &strShown);
    if (!read) return read;
    const std::string strShownCaption = Caption(hBox);
    if (pszScreenshot != nullptr) SaveScreenshot(hBox, pszScreenshot);
    Click(hBox, IDOK);
    if (strShown != strText || strShownCaption != strCaption) {
        return testing::AssertionFailure() << "the message box says \"" << Utf8(strShown) << "\" captioned \""
                                           << Utf8(strShownCaption) << "\"; expected \"" << Utf8(strText)
                                           << "\" captioned \"" << Utf8(strCaption) << "\"";
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult E2ETest::ConfirmAndExpect(const std::string& strText, const std::string& strCaption) {
    HWND hConfirm = nullptr;
    testing::AssertionResult waited = m_program.WaitFor(Dialog::Confirm, &hConfirm);
    if (!waited) return waited;
    testing::AssertionResult clicked = Click(hConfirm, IDOK);
    if (!clicked) return clicked;
    return ExpectMessageBox(strText, strCaption);
}

}  // namespace e2e
