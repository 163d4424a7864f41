// The common ground of the end-to-end tests: a scratch folder holding the
// program (prog\), its install folder (app\) and a working folder (cwd\), the
// product's registry key, and the run of Update.exe itself.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "program.h"
#include "support/manifest_builder.h"

namespace e2e {

// The program's messages as a user reads them, in code page 932.
std::string NoUpdateInfoText();
std::string NotInstalledText(const std::string& strProduct);
std::string DoneText();
std::string DoneCaption();
std::string FailedText();

class E2ETest : public testing::Test {
public:
    // Public so that tables of cases can arrange a run through them.
    std::string Root() const { return m_scratch.Path(); }

    // Copies the built Update.exe into Root() + strRelativeDir (created),
    // which becomes the program folder.
    void PlaceProgram(const std::string& strRelativeDir);
    // Updateinf.dat in the program folder naming the product, the key and the value.
    void WriteUpdateInf(const std::vector<FileEntry>& entries);
    // A file of the update, below the program folder's data\ (folders created).
    void WriteData(const std::string& strRelative, const std::string& strBytes);
    // The registry value naming the install folder, exactly as given.
    void StoreInstallDir(const std::string& strValue);
    // Replaces the product key by one whose name ends with strSuffix.
    void UseKey(const std::string& strSuffix);

    // The usual working setup: the program in prog\ with one file to install
    // (readme.txt), app\ installed with old.txt listed in its manifest.
    void ArrangeWorking();
    // The manifest of app\ after ArrangeWorking's update went through.
    static std::string WorkingManifestAfter();

    testing::AssertionResult Start();
    // Waits for a message box, checks its text and caption, dismisses it.
    testing::AssertionResult ExpectMessageBox(const std::string& strText, const std::string& strCaption,
                                              const char* pszScreenshot = nullptr);
    // Confirms with OK, then expects the result box with these texts.
    testing::AssertionResult ConfirmAndExpect(const std::string& strText, const std::string& strCaption);

    Scratch m_scratch;
    std::unique_ptr<ProductKey> m_key;
    std::string m_strProduct;
    std::string m_strValueName = "InstallDir";
    std::string m_strProgramDir;  // ends with a backslash
    std::string m_strInstallDir;  // app\ of ArrangeWorking, with its backslash
    std::string m_strWorkingDir;  // where the program is started from
    // Last, so it ends first: no process outlives the folders it uses.
    Program m_program;

protected:
    void SetUp() override;
};

}  // namespace e2e
