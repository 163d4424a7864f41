// UTF-8 named files through the wide Windows API.
#include "host_files.h"

#include <algorithm>

#include "wide_text_win.h"

namespace {

bool Fail(std::string& strError) {
    strError = ErrorText(GetLastError());
    return false;
}

bool IsFolder(const std::wstring& strWide) {
    const DWORD dw = GetFileAttributesW(strWide.c_str());
    return dw != INVALID_FILE_ATTRIBUTES && (dw & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveWideTree(const std::wstring& strWide) {
    const DWORD dw = GetFileAttributesW(strWide.c_str());
    if (dw == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(strWide.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(dw & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(strWide.c_str());
        return;
    }
    // A junction is removed as the folder it is, its target left alone.
    if (!(dw & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        HANDLE hFind = FindFirstFileW((strWide + L"\\*").c_str(), &data);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring strName = data.cFileName;
                if (strName != L"." && strName != L"..") RemoveWideTree(strWide + L"\\" + strName);
            } while (FindNextFileW(hFind, &data));
            FindClose(hFind);
        }
    }
    RemoveDirectoryW(strWide.c_str());
}

}  // namespace

bool ReadHostFile(const std::string& strPath, uint64_t nMaxBytes, std::string& strBytes,
                  uint64_t& nFileSize, std::string& strError) {
    strBytes.clear();
    const std::wstring strWide = WideFileName(strPath);
    if (strWide.empty()) {
        strError = ErrorText(ERROR_INVALID_NAME);
        return false;
    }
    if (IsFolder(strWide)) {
        strError = "it is a folder";
        return false;
    }
    HANDLE h = CreateFileW(strWide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(strError);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) {
        Fail(strError);
        CloseHandle(h);
        return false;
    }
    nFileSize = static_cast<uint64_t>(size.QuadPart);
    const uint64_t nWanted = nFileSize < nMaxBytes ? nFileSize : nMaxBytes;
    strBytes.resize(static_cast<size_t>(nWanted));
    size_t nDone = 0;
    while (nDone < strBytes.size()) {
        const DWORD nAsk = static_cast<DWORD>(std::min<size_t>(strBytes.size() - nDone, 1u << 24));
        DWORD nRead = 0;
        if (!ReadFile(h, &strBytes[nDone], nAsk, &nRead, nullptr)) {
            Fail(strError);
            CloseHandle(h);
            return false;
        }
        if (nRead == 0) break;
        nDone += nRead;
    }
    strBytes.resize(nDone);
    CloseHandle(h);
    return true;
}

bool WriteHostFile(const std::string& strPath, const std::string& strBytes, std::string& strError) {
    const std::wstring strWide = WideFileName(strPath);
    if (strWide.empty()) {
        strError = ErrorText(ERROR_INVALID_NAME);
        return false;
    }
    HANDLE h = CreateFileW(strWide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(strError);
    size_t nDone = 0;
    while (nDone < strBytes.size()) {
        const DWORD nAsk = static_cast<DWORD>(std::min<size_t>(strBytes.size() - nDone, 1u << 24));
        DWORD nWritten = 0;
        if (!WriteFile(h, strBytes.data() + nDone, nAsk, &nWritten, nullptr) || nWritten == 0) {
            Fail(strError);
            CloseHandle(h);
            return false;
        }
        nDone += nWritten;
    }
    if (!FlushFileBuffers(h)) {
        Fail(strError);
        CloseHandle(h);
        return false;
    }
    return CloseHandle(h) || Fail(strError);
}

bool SetHostFileSize(const std::string& strPath, uint64_t nSize) {
    const std::wstring strWide = WideFileName(strPath);
    if (strWide.empty()) return false;
    HANDLE h = CreateFileW(strWide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(nSize);
    const bool bOk = SetFilePointerEx(h, position, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    return CloseHandle(h) && bOk;
}

bool ReplaceHostFile(const std::string& strFrom, const std::string& strTo, std::string& strError) {
    const std::wstring strWideFrom = WideFileName(strFrom);
    const std::wstring strWideTo = WideFileName(strTo);
    if (strWideFrom.empty() || strWideTo.empty()) {
        strError = ErrorText(ERROR_INVALID_NAME);
        return false;
    }
    return MoveFileExW(strWideFrom.c_str(), strWideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           Fail(strError);
}

bool RemoveHostFile(const std::string& strPath) {
    const std::wstring strWide = WideFileName(strPath);
    return !strWide.empty() && DeleteFileW(strWide.c_str());
}

bool MakeHostFolder(const std::string& strPath) {
    const std::wstring strWide = WideFileName(strPath);
    return !strWide.empty() && (CreateDirectoryW(strWide.c_str(), nullptr) || IsFolder(strWide));
}

bool MakeHostFolderLink(const std::string& strTarget, const std::string& strLink) {
    std::wstring strWideTarget;
    const std::wstring strWideLink = WideFileName(strLink);
    if (strWideLink.empty() || !Utf8ToWide(strTarget, strWideTarget)) return false;
    for (wchar_t& c : strWideTarget) {
        if (c == L'/') c = L'\\';
    }
    // 0x2: SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE, for developer mode; older headers lack it.
    if (!CreateSymbolicLinkW(strWideLink.c_str(), strWideTarget.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2)) {
        return false;
    }
    // Some implementations report success and make nothing.
    const DWORD dw = GetFileAttributesW(strWideLink.c_str());
    return dw != INVALID_FILE_ATTRIBUTES && (dw & FILE_ATTRIBUTE_REPARSE_POINT);
}

void RemoveHostTree(const std::string& strPath) {
    const std::wstring strWide = WideFileName(strPath);
    if (!strWide.empty()) RemoveWideTree(strWide);
}

bool MakeHostTempFolder(const std::string& strPrefix, std::string& strPath) {
    wchar_t szTemp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, szTemp);
    std::string strTemp;
    if (n == 0 || n > MAX_PATH || !WideToUtf8(std::wstring(szTemp, n), strTemp)) return false;
    static unsigned s_nCounter = 0;
    for (int nTry = 0; nTry < 100; ++nTry) {
        const std::string strCandidate = JoinHostPath(
            strTemp, strPrefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++s_nCounter));
        const std::wstring strWide = WideFileName(strCandidate);
        if (strWide.empty()) return false;
        if (CreateDirectoryW(strWide.c_str(), nullptr)) {
            strPath = strCandidate;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

std::string TempPathBeside(const std::string& strPath) {
    return strPath + "." + std::to_string(GetCurrentProcessId()) + ".tmp";
}

bool SystemFormOfPath(const std::string& strPath, std::string& strSystem) {
    std::wstring strWide;
    if (!Utf8ToWide(strPath, strWide) || strWide.empty()) return false;
    const UINT nCodePage = GetACP();
    // Code page 65001 takes no best-fit flag and has a form for everything.
    const DWORD dwFlags = nCodePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL bUsedDefault = FALSE;
    BOOL* pbUsedDefault = nCodePage == CP_UTF8 ? nullptr : &bUsedDefault;
    const int nIn = static_cast<int>(strWide.size());
    const int n = WideCharToMultiByte(CP_ACP, dwFlags, strWide.data(), nIn, nullptr, 0, nullptr, pbUsedDefault);
    if (n <= 0 || bUsedDefault || n >= MAX_PATH) return false;
    std::string strBytes(static_cast<size_t>(n), '\0');
    if (WideCharToMultiByte(CP_ACP, dwFlags, strWide.data(), nIn, &strBytes[0], n, nullptr, pbUsedDefault) != n ||
        bUsedDefault) {
        return false;
    }
    // The way back catches a one-way mapping the flag lets through.
    std::wstring strBack(static_cast<size_t>(n) + 1, L'\0');
    const int nBack = MultiByteToWideChar(CP_ACP, 0, strBytes.data(), n, &strBack[0], static_cast<int>(strBack.size()));
    if (nBack <= 0 || strBack.compare(0, static_cast<size_t>(nBack), strWide) != 0) return false;
    strSystem.swap(strBytes);
    return true;
}

bool IsHostSeparator(char c) { return c == '/' || c == '\\'; }

std::string JoinHostPath(const std::string& strFolder, const std::string& strName) {
    if (strFolder.empty()) return strName;
    return IsHostSeparator(strFolder.back()) ? strFolder + strName : strFolder + "\\" + strName;
}
