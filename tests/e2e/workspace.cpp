#include "workspace.h"

#include "support/scratch.h"

#include <vector>

namespace e2e {

namespace {

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

}  // namespace e2e
