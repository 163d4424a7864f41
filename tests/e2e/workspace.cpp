#include "workspace.h"

#include <vector>

namespace e2e {

namespace {

const char kKeyParent[] = "Software\\UpdateE2E";

std::string Convert(const std::string& strIn, UINT nFrom, UINT nTo) {
    if (strIn.empty()) return std::string();
    const int nWide = MultiByteToWideChar(nFrom, MB_ERR_INVALID_CHARS, strIn.data(),
                                          static_cast<int>(strIn.size()), nullptr, 0);
    if (nWide <= 0) {
        ADD_FAILURE() << "text not valid in code page " << nFrom;
        return std::string();
    }
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(nFrom, 0, strIn.data(), static_cast<int>(strIn.size()), &strWide[0], nWide);
    const int nOut = WideCharToMultiByte(nTo, 0, strWide.data(), nWide, nullptr, 0, nullptr, nullptr);
    std::string strOut(static_cast<size_t>(nOut), '\0');
    WideCharToMultiByte(nTo, 0, strWide.data(), nWide, &strOut[0], nOut, nullptr, nullptr);
    return strOut;
}

std::string FullPath(const std::string& strPath) {
    char sz[MAX_PATH];
    const DWORD n = GetFullPathNameA(strPath.c_str(), MAX_PATH, sz, nullptr);
    return (n == 0 || n >= MAX_PATH) ? strPath : std::string(sz, n);
}

void RemoveTree(const std::string& strPath) {
    const DWORD dw = GetFileAttributesA(strPath.c_str());
    if (dw == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(dw & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(strPath.c_str());
        return;
    }
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((strPath + "\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::string strName = data.cFileName;
            if (strName != "." && strName != "..") RemoveTree(strPath + "\\" + strName);
        } while (FindNextFileA(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryA(strPath.c_str());
}

void ReadTreeInto(const std::string& strRoot, const std::string& strRelative, Tree& tree) {
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((strRoot + strRelative + "*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) return;
    do {
        const std::string strName = data.cFileName;
        if (strName == "." || strName == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree[strRelative + strName + "\\"] = std::string();
            ReadTreeInto(strRoot, strRelative + strName + "\\", tree);
        } else {
            tree[strRelative + strName] = ReadBytes(strRoot + strRelative + strName);
        }
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
}

std::string Describe(const std::string& strBytes) {
    return std::to_string(strBytes.size()) + " bytes";
}

}  // namespace

std::string Sjis(const std::string& strUtf8) { return Convert(strUtf8, CP_UTF8, 932); }

std::string Utf8(const std::string& strSjis) {
    // Bytes that are no CP932 text (a cut name, a raw record) are shown escaped.
    if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, strSjis.data(), static_cast<int>(strSjis.size()),
                            nullptr, 0) <= 0 && !strSjis.empty()) {
        std::string strOut;
        char sz[8];
        for (unsigned char c : strSjis) {
            if (c >= 0x20 && c < 0x7F) {
                strOut += static_cast<char>(c);
            } else {
                wsprintfA(sz, "\\x%02X", c);
                strOut += sz;
            }
        }
        return strOut;
    }
    return Convert(strSjis, 932, CP_UTF8);
}

std::string TestProgramDir() {
    char sz[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, sz, MAX_PATH);
    std::string strPath(sz, n);
    return strPath.substr(0, strPath.find_last_of('\\') + 1);
}

std::string BuiltUpdateExe() { return FullPath(TestProgramDir() + "..\\..\\flow\\Update.exe"); }

std::string ScreenshotDir() {
    const std::string strDir = FullPath(TestProgramDir() + "..\\..\\screenshots");
    CreateDirectoryA(strDir.c_str(), nullptr);
    return strDir + "\\";
}

void WriteBytes(const std::string& strPath, const std::string& strBytes) {
    HANDLE h = CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << Utf8(strPath) << " (error " << GetLastError() << ")";
        return;
    }
    DWORD dwWritten = 0;
    const BOOL bOk = WriteFile(h, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr);
    CloseHandle(h);
    if (!bOk || dwWritten != strBytes.size()) ADD_FAILURE() << "cannot write " << Utf8(strPath);
}

std::string ReadBytes(const std::string& strPath) {
    HANDLE h = CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open " << Utf8(strPath) << " (error " << GetLastError() << ")";
        return std::string();
    }
    std::string strBytes(GetFileSize(h, nullptr), '\0');
    DWORD dwRead = 0;
    if (!strBytes.empty() &&
        (!ReadFile(h, &strBytes[0], static_cast<DWORD>(strBytes.size()), &dwRead, nullptr) ||
         dwRead != strBytes.size())) {
        ADD_FAILURE() << "cannot read " << Utf8(strPath);
    }
    CloseHandle(h);
    return strBytes;
}

void MakeDir(const std::string& strPath) {
    if (!CreateDirectoryA(strPath.c_str(), nullptr)) {
        ADD_FAILURE() << "cannot create folder " << Utf8(strPath) << " (error " << GetLastError() << ")";
    }
}

void CopyIn(const std::string& strFrom, const std::string& strTo) {
    if (!CopyFileA(strFrom.c_str(), strTo.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy " << Utf8(strFrom) << " to " << Utf8(strTo) << " (error " << GetLastError()
                      << ")";
    }
}

DWORD Attributes(const std::string& strPath) { return GetFileAttributesA(strPath.c_str()); }

std::string Pattern(size_t n, uint32_t nSeed) {
    std::string strBytes(n, '\0');
    uint32_t x = nSeed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        strBytes[i] = static_cast<char>(x >> 24);
    }
    return strBytes;
}

Tree ReadTree(const std::string& strDir) {
    Tree tree;
    ReadTreeInto(strDir, std::string(), tree);
    return tree;
}

testing::AssertionResult SameTree(const Tree& expected, const Tree& actual) {
    std::string strProblems;
    for (const auto& item : expected) {
        const auto it = actual.find(item.first);
        if (it == actual.end()) {
            strProblems += "\n  missing: " + Utf8(item.first);
        } else if (it->second != item.second) {
            strProblems += "\n  different: " + Utf8(item.first) + " (" +
                           SameBytes(item.second, it->second).message() + ")";
        }
    }
    for (const auto& item : actual) {
        if (expected.find(item.first) == expected.end()) {
            strProblems += "\n  unexpected: " + Utf8(item.first) + " (" + Describe(item.second) + ")";
        }
    }
    if (strProblems.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the folder tree differs:" << strProblems;
}

testing::AssertionResult SameBytes(const std::string& strExpected, const std::string& strActual) {
    if (strExpected == strActual) return testing::AssertionSuccess();
    size_t i = 0;
    while (i < strExpected.size() && i < strActual.size() && strExpected[i] == strActual[i]) ++i;
    return testing::AssertionFailure() << "expected " << Describe(strExpected) << ", got " << Describe(strActual)
                                       << ", first difference at offset " << i;
}

Scratch::Scratch() {
    static unsigned s_nCounter = 0;
    char szTemp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, szTemp);
    if (n == 0 || n >= MAX_PATH) {
        ADD_FAILURE() << "no temporary folder";
        return;
    }
    const std::string strDir = std::string(szTemp) + "e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++s_nCounter);
    // A run that died may have left a folder of the same process number.
    RemoveTree(strDir);
    MakeDir(strDir);
    m_strPath = strDir + "\\";
}

Scratch::~Scratch() {
    if (!m_strPath.empty()) RemoveTree(m_strPath.substr(0, m_strPath.size() - 1));
}

namespace {

// Replaces the key's DACL with one entry granting everyone dwAccess. The
// handle keeps WRITE_DAC even after the DACL no longer grants it.
bool GiveEveryone(HKEY hKey, DWORD dwAccess) {
    BYTE abSid[SECURITY_MAX_SID_SIZE];
    DWORD cbSid = sizeof abSid;
    if (!CreateWellKnownSid(WinWorldSid, nullptr, abSid, &cbSid)) return false;
    const DWORD cbAcl = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(abSid);
    std::vector<DWORD> acl((cbAcl + sizeof(DWORD) - 1) / sizeof(DWORD));
    PACL pAcl = reinterpret_cast<PACL>(acl.data());
    SECURITY_DESCRIPTOR sd;
    return InitializeAcl(pAcl, cbAcl, ACL_REVISION) && AddAccessAllowedAce(pAcl, ACL_REVISION, dwAccess, abSid) &&
           InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&sd, TRUE, pAcl, FALSE) &&
           RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
}

}  // namespace

ProductKey::ProductKey(const std::string& strSuffix) {
    static unsigned s_nCounter = 0;
    m_strSubKey = std::string(kKeyParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(++s_nCounter) + strSuffix;
    RegDeleteTreeA(HKEY_CURRENT_USER, m_strSubKey.c_str());
    const LONG lResult = RegCreateKeyExA(HKEY_CURRENT_USER, m_strSubKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr);
    if (lResult != ERROR_SUCCESS) {
        m_hKey = nullptr;
        ADD_FAILURE() << "RegCreateKeyExA " << Utf8(m_strSubKey) << ": " << lResult;
    }
}

ProductKey::~ProductKey() {
    if (m_hKey != nullptr) {
        if (m_bReadOnly && !GiveEveryone(m_hKey, KEY_ALL_ACCESS)) {
            ADD_FAILURE() << "cannot give access back to " << Utf8(m_strSubKey);
        }
        RegCloseKey(m_hKey);
        const LONG lResult = RegDeleteTreeA(HKEY_CURRENT_USER, m_strSubKey.c_str());
        if (lResult != ERROR_SUCCESS) ADD_FAILURE() << "cannot delete " << Utf8(m_strSubKey) << ": " << lResult;
    }
    // Fails while keys of other tests remain below it, as it should.
    RegDeleteKeyA(HKEY_CURRENT_USER, kKeyParent);
}

void ProductKey::SetString(const std::string& strName, const std::string& strValue) {
    SetRaw(strName, REG_SZ, std::string(strValue.c_str(), strValue.size() + 1));
}

void ProductKey::SetRaw(const std::string& strName, DWORD dwType, const std::string& strData) {
    const LONG lResult = RegSetValueExA(m_hKey, strName.c_str(), 0, dwType,
                                        reinterpret_cast<const BYTE*>(strData.data()),
                                        static_cast<DWORD>(strData.size()));
    if (lResult != ERROR_SUCCESS) ADD_FAILURE() << "RegSetValueExA " << Utf8(strName) << ": " << lResult;
}

void ProductKey::MakeReadOnly() {
    if (!GiveEveryone(m_hKey, KEY_READ)) ADD_FAILURE() << "cannot make " << Utf8(m_strSubKey) << " read-only";
    m_bReadOnly = true;
}

}  // namespace e2e
