#include "update.h"

#include <cstring>

#include "copier.h"
#include "dialogs.h"
#include "file.h"
#include "format.h"
#include "manifest.h"
#include "path.h"
#include "registry.h"
#include "resource.h"
#include "texts.h"

namespace {

const char kUpdateInfName[] = "Updateinf.dat";
const char kUninstallInfName[] = "Uninstallinf.dat";
// Written beside the uninstall manifest, then moved over it; as long as
// its name, so it fits wherever the manifest's path does.
const char kUninstallTempName[] = "Uninstallinf.tmp";
const char kDataName[] = "data";
// Longest program directory (with its backslash) and install directory
// (as stored) for which every path built from them fits MAX_PATH.
const size_t MAX_PROGRAM_DIR = MAX_PATH - sizeof kUpdateInfName;
const size_t MAX_INSTALL_DIR = MAX_PATH - sizeof kUninstallInfName;

// The program's directory with a trailing backslash; false when the module
// path cannot be read whole or the directory is too long for the paths
// built from it.
bool GetProgramDirectory(char (&szPath)[MAX_PATH]) {
    const DWORD n = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    AddTrailingBackslash(StripFileName(szPath));
    return std::strlen(szPath) <= MAX_PROGRAM_DIR;
}

void Append(char (&szPath)[MAX_PATH], const char* pszTail) {
    std::strncat(szPath, pszTail, MAX_PATH - 1 - std::strlen(szPath));
}

void ShowMessage(const char* pszText, const char* pszCaption) {
    MessageBoxA(nullptr, pszText, pszCaption, MB_OK);
}

}  // namespace

int RunUpdate(HINSTANCE hInstance) {
    CFile file;
    char szUpdateInfPath[MAX_PATH];
    if (!GetProgramDirectory(szUpdateInfPath)) {
        ShowMessage(TEXT_NO_UPDATE_INFO, nullptr);
        return 0;
    }
    Append(szUpdateInfPath, kUpdateInfName);
    if (!file.Open(szUpdateInfPath, 0) || !LoadUpdateManifest(file)) {
        ShowMessage(TEXT_NO_UPDATE_INFO, nullptr);
        return 0;
    }

    CRegistry registry;
    char szNotInstalledMsg[128];
    FormatText(szNotInstalledMsg, sizeof szNotInstalledMsg, TEXT_NOT_INSTALLED_FORMAT,
               g_updateHeader.szProductName);
    if (!registry.Open(HKEY_CURRENT_USER, g_updateHeader.szRegistryKey)) {
        ShowMessage(szNotInstalledMsg, nullptr);
        return 0;
    }
    char szInstallDir[MAX_PATH];
    // Data without a terminator in the buffer, or too long for the paths built
    // from it, counts as a missing value.
    if (!registry.QueryValue(g_updateHeader.szRegistryValue, szInstallDir, MAX_PATH) ||
        std::memchr(szInstallDir, '\0', MAX_PATH) == nullptr || std::strlen(szInstallDir) > MAX_INSTALL_DIR) {
        ShowMessage(szNotInstalledMsg, nullptr);
        return 0;
    }
    char szUninstallInfPath[MAX_PATH];
    char szUninstallTempPath[MAX_PATH];
    std::strcpy(szUninstallInfPath, szInstallDir);
    std::strcpy(szUninstallTempPath, szInstallDir);
    Append(szUninstallInfPath, kUninstallInfName);
    Append(szUninstallTempPath, kUninstallTempName);
    if (!file.Open(szUninstallInfPath, 0) || !LoadUninstallManifest(file)) {
        ShowMessage(szNotInstalledMsg, nullptr);
        return 0;
    }
    file.Close();

    if (DialogBoxParamA(hInstance, MAKEINTRESOURCEA(IDD_CONFIRM), nullptr, ConfirmDlgProc, 0) == 0) {
        return 0;
    }

    char szDataDir[MAX_PATH];
    if (!GetProgramDirectory(szDataDir)) szDataDir[0] = '\0';
    Append(szDataDir, kDataName);
    AddTrailingBackslash(szDataDir);
    AddTrailingBackslash(szInstallDir);

    HWND hwndProgress =
        CreateDialogParamA(hInstance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDlgProc, 0);
    ShowWindow(hwndProgress, SW_SHOW);
    const bool bInstalled = InstallEntries(hwndProgress, szInstallDir, szDataDir);
    DestroyWindow(hwndProgress);
    if (bInstalled) {
        ShowMessage(TEXT_DONE, TEXT_DONE_CAPTION);
    } else {
        ShowMessage(TEXT_FAILED, nullptr);
    }

    // Rewritten whatever the result: it must list what was installed.
    SaveUninstallManifest(file, szUninstallInfPath, szUninstallTempPath);
    FreeManifestTables();
    return 0;
}
