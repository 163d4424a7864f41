#include "copier.h"

#include <cstring>
#include <string>

#include "resource.h"
#include "file.h"
#include "format.h"
#include "manifest.h"
#include "merge.h"
#include "path.h"

int32_t g_bCancel = 0;

namespace {

// "%sをコピー中..." in code page 932.
const char kCopyingFormat[] = "%s\x82\xF0\x83\x52\x83\x73\x81\x5B\x92\x86...";
// Beside each destination while its copy is incomplete.
const char kTempSuffix[] = ".tmp";

// Joins two texts into a MAX_PATH buffer; false when they do not fit.
bool Join(char (&szOut)[MAX_PATH], const char* pszHead, const char* pszTail) {
    const size_t nHead = std::strlen(pszHead);
    const size_t nTail = std::strlen(pszTail);
    if (nHead + nTail >= MAX_PATH) return false;
    std::memcpy(szOut, pszHead, nHead);
    std::memcpy(szOut + nHead, pszTail, nTail + 1);
    return true;
}

void SetProgress(HWND hwndProgress, uint32_t nPercent) {
    SendDlgItemMessageA(hwndProgress, IDC_PROGRESS, PBM_SETPOS, nPercent, 0);
}

uint32_t PercentOf(CFile& source) {
    // Past 4 GiB the 32-bit position no longer follows the copy.
    if (source.m_nLength > UINT32_MAX) {
        return static_cast<uint32_t>(source.m_nPosition / (source.m_nLength / 100));
    }
    return ProgressPercent(source.Tell(), static_cast<uint32_t>(source.m_nLength));
}

// Serves at most one pending message, without dialog keyboard handling.
void PumpOneMessage() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        GetMessageA(&msg, nullptr, 0, 0);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Copies source into the temporary file and moves it over the destination.
bool InstallFile(HWND hwndProgress, UninstallMerge& merge, const FileEntry& entry, const char* szDest,
                 const char* szSource, const char* szTemp) {
    CFile source;
    CFile temp;
    // The source first: a missing one must leave the installed file as it is.
    if (!source.Open(szSource, 0)) return false;
    if (!temp.Open(szTemp, 1)) {
        // A read-only leftover of an interrupted run stands in the way.
        SetFileAttributesA(szTemp, FILE_ATTRIBUTE_NORMAL);
        if (!temp.Open(szTemp, 1)) return false;
    }
    for (;;) {
        SetProgress(hwndProgress, PercentOf(source));
        if (temp.CopyFrom(source, COPY_CHUNK_SIZE) < COPY_CHUNK_SIZE) break;
        PumpOneMessage();
        if (g_bCancel == 1) {
            temp.Close();
            DeleteFileA(szTemp);
            return false;
        }
    }
    SetProgress(hwndProgress, 100);
    // A read or write that failed ends the copy early: that is no installed file.
    const bool bComplete = temp.m_nLength == source.m_nLength;
    source.Close();
    temp.Close();
    if (bComplete) {
        // Read-only, hidden or system files are replaced like any other.
        SetFileAttributesA(szDest, FILE_ATTRIBUTE_NORMAL);
        if (MoveFileExA(szTemp, szDest, MOVEFILE_REPLACE_EXISTING)) {
            merge.Merge(entry, false);
            return true;
        }
    }
    DeleteFileA(szTemp);
    return false;
}

}  // namespace

bool IsDirectoryEntry(const FileEntry& entry) {
    const size_t n = strnlen(entry.szPath, sizeof entry.szPath);
    return n > 0 && entry.szPath[n - 1] == '\\';
}

uint32_t ProgressPercent(uint32_t nPosition, uint32_t nSize) {
    if (nSize == 0) return 0;
    if (nSize <= PROGRESS_EXACT_LIMIT) return nPosition * 100 / nSize;
    return nPosition / (nSize / 100);
}

bool InstallEntries(HWND hwndProgress, const char* szInstallDir, const char* szDataDir) {
    char szDest[MAX_PATH];
    char szSource[MAX_PATH];
    char szTemp[MAX_PATH];
    char szStatus[MAX_PATH];
    CreateDirectoryChain(szInstallDir);
    UninstallMerge merge;
    for (uint32_t i = 0; i < g_updateHeader.dwEntryCount; ++i) {
        const FileEntry& entry = g_pUpdateEntries[i];
        if (!Join(szDest, szInstallDir, entry.szPath)) return false;
        if (IsDirectoryEntry(entry)) {
            CreateDirectoryChain(szDest);
            merge.Merge(entry, true);
            continue;
        }
        if (!Join(szSource, szDataDir, entry.szPath) || !Join(szTemp, szDest, kTempSuffix) ||
            !FormatText(szStatus, sizeof szStatus, kCopyingFormat, entry.szPath)) {
            return false;
        }
        SetDlgItemTextA(hwndProgress, IDC_STATUS, szStatus);
        if (!InstallFile(hwndProgress, merge, entry, szDest, szSource, szTemp)) return false;
    }
    return true;
}
