// Runs that cannot start: one message box, no caption, nothing written.
#include <functional>
#include <ostream>

#include "fixture.h"

namespace e2e {
namespace {

enum class Message { NoUpdateInfo, NotInstalled };

struct FailureCase {
    const char* pszName;
    // Breaks the working arrangement in one way.
    std::function<void(E2ETest&)> breakIt;
    Message message;
};

// Names the case in test names (CTest puts it in place of the index).
void PrintTo(const FailureCase& c, std::ostream* pOut) { *pOut << c.pszName; }

// A folder path under the scratch folder of exactly nLength bytes, with its backslash.
std::string FolderOfLength(const E2ETest& test, char cFill, size_t nLength) {
    const size_t nRoot = test.Root().size();
    return test.Root() + std::string(nLength - nRoot - 1, cFill) + "\\";
}

const FailureCase kFailures[] = {
    {"NoUpdateInf", [](E2ETest& t) { DeleteFileA((t.m_strProgramDir + "Updateinf.dat").c_str()); },
     Message::NoUpdateInfo},
    {"UpdateInfShorterThanHeader",
     [](E2ETest& t) {
         const std::string strPath = t.m_strProgramDir + "Updateinf.dat";
         WriteBytes(strPath, ReadBytes(strPath).substr(0, UPDATE_HEADER_SIZE - 1));
     },
     Message::NoUpdateInfo},
    {"UpdateInfMissingRecords",
     [](E2ETest& t) {
         WriteBytes(t.m_strProgramDir + "Updateinf.dat",
                    ManifestBytes(MakeUpdateHeader(t.m_strProduct, t.m_key->SubKey(), t.m_strValueName, 2),
                                  {MakeEntry("readme.txt", 10, 1)}));
     },
     Message::NoUpdateInfo},
    // 247 bytes: Updateinf.dat's path would not fit, and one cut to fit exists.
    {"ProgramFolderTooLong",
     [](E2ETest& t) {
         const std::string strDir = FolderOfLength(t, 'p', 247);
         t.PlaceProgram(strDir.substr(t.Root().size(), strDir.size() - t.Root().size() - 1));
         const std::string strUpdateInf = strDir + "Updateinf.dat";
         WriteBytes(strUpdateInf.substr(0, MAX_PATH - 1),
                    UpdateManifestBytes(t.m_strProduct, t.m_key->SubKey(), t.m_strValueName, {}));
     },
     Message::NoUpdateInfo},
    {"KeyMissing",
     [](E2ETest& t) {
         WriteBytes(t.m_strProgramDir + "Updateinf.dat",
                    UpdateManifestBytes(t.m_strProduct, t.m_key->SubKey() + "-absent", t.m_strValueName,
                                        {MakeEntry("readme.txt", 10, 1)}));
     },
     Message::NotInstalled},
    {"ValueMissing",
     [](E2ETest& t) {
         t.m_strValueName = "Elsewhere";
         t.WriteUpdateInf({MakeEntry("readme.txt", 10, 1)});
     },
     Message::NotInstalled},
    // 244 bytes: Uninstallinf.dat's path would not fit, and one cut to fit exists.
    {"ValueLongerThan243",
     [](E2ETest& t) {
         const std::string strDir = FolderOfLength(t, 'v', 244);
         MakeDir(strDir.substr(0, strDir.size() - 1));
         WriteBytes((strDir + "Uninstallinf.dat").substr(0, MAX_PATH - 1), UninstallManifestBytes({}));
         t.StoreInstallDir(strDir);
     },
     Message::NotInstalled},
    {"ValueLargerThanBuffer", [](E2ETest& t) { t.StoreInstallDir(t.m_strInstallDir + std::string(300, 'x')); },
     Message::NotInstalled},
    {"ValueUnterminated",
     [](E2ETest& t) {
         t.m_key->SetBinary(t.m_strValueName,
                            t.m_strInstallDir + std::string(MAX_PATH - t.m_strInstallDir.size(), 'x'));
     },
     Message::NotInstalled},
    {"KeyReadOnly", [](E2ETest& t) { t.m_key->MakeReadOnly(); }, Message::NotInstalled},
    {"NoUninstallInf", [](E2ETest& t) { DeleteFileA((t.m_strInstallDir + "Uninstallinf.dat").c_str()); },
     Message::NotInstalled},
    {"UninstallInfMissingRecords",
     [](E2ETest& t) {
         WriteBytes(t.m_strInstallDir + "Uninstallinf.dat",
                    ManifestBytes(MakeUninstallHeader(2, 1, 5), {MakeEntry("old.txt", 5, 2)}));
     },
     Message::NotInstalled},
};

class Failure : public E2ETest, public testing::WithParamInterface<FailureCase> {};

TEST_P(Failure, ShowsOneMessageWithoutCaptionAndWritesNothing) {
    ArrangeWorking();
    GetParam().breakIt(*this);
    ASSERT_FALSE(HasFailure());
    const Tree before = ReadTree(Root());

    ASSERT_TRUE(Start());
    const std::string strText =
        GetParam().message == Message::NoUpdateInfo ? NoUpdateInfoText() : NotInstalledText(m_strProduct);
    const std::string strDefaultCaption = DefaultMessageBoxCaption();
    ASSERT_FALSE(strDefaultCaption.empty());
    ASSERT_NE(strDefaultCaption, DoneCaption());
    RecordProperty("DefaultMessageBoxCaption", Utf8(strDefaultCaption));
    EXPECT_TRUE(ExpectMessageBox(strText, strDefaultCaption));
    EXPECT_TRUE(m_program.WaitForExit());
    EXPECT_TRUE(SameTree(before, ReadTree(Root())));
}

INSTANTIATE_TEST_SUITE_P(E2E, Failure, testing::ValuesIn(kFailures));

}  // namespace
}  // namespace e2e
