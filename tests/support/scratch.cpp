#include "support/scratch.h"

#include <gtest/gtest.h>

#include "winapi.h"

ScratchDir::ScratchDir() {
    static uint32_t s_nCounter = 0;
    char szTemp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, szTemp);
    if (n == 0 || n >= MAX_PATH) {
        ADD_FAILURE() << "no temporary folder";
        return;
    }
    m_strPath = std::string(szTemp) + "updtest-" + std::to_string(ProcessId()) + "-" +
                std::to_string(++s_nCounter);
    RemoveTree(m_strPath);
    MakeDirectory(m_strPath);
    m_strPath += '\\';
}

ScratchDir::~ScratchDir() {
    if (!m_strPath.empty()) RemoveTree(m_strPath.substr(0, m_strPath.size() - 1));
}

void WriteBytes(const std::string& strPath, const std::string& strBytes) {
    HANDLE h = CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create " << strPath << " (" << GetLastError() << ")";
    DWORD dwWritten = 0;
    const BOOL bOk = WriteFile(h, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr);
    CloseHandle(h);
    ASSERT_TRUE(bOk && dwWritten == strBytes.size()) << "cannot write " << strPath;
}

std::string ReadBytes(const std::string& strPath) {
    HANDLE h = CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open " << strPath << " (" << GetLastError() << ")";
        return std::string();
    }
    std::string strBytes;
    char buffer[65536];
    DWORD dwRead = 0;
    while (ReadFile(h, buffer, sizeof buffer, &dwRead, nullptr) && dwRead > 0) {
        strBytes.append(buffer, dwRead);
    }
    CloseHandle(h);
    return strBytes;
}

bool FileExists(const std::string& strPath) {
    const DWORD dw = GetFileAttributesA(strPath.c_str());
    return dw != INVALID_FILE_ATTRIBUTES && !(dw & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& strPath) {
    const DWORD dw = GetFileAttributesA(strPath.c_str());
    return dw != INVALID_FILE_ATTRIBUTES && (dw & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirectory(const std::string& strPath) {
    EXPECT_TRUE(CreateDirectoryA(strPath.c_str(), nullptr) || DirectoryExists(strPath))
        << "cannot create folder " << strPath;
}

std::string PatternBytes(size_t n, uint32_t nSeed) {
    std::string strBytes(n, '\0');
    uint32_t x = nSeed * 2654435761u + 12345u;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        strBytes[i] = static_cast<char>(x >> 24);
    }
    return strBytes;
}

testing::AssertionResult SameBytes(const std::string& strExpected, const std::string& strActual) {
    if (strExpected == strActual) return testing::AssertionSuccess();
    size_t i = 0;
    while (i < strExpected.size() && i < strActual.size() && strExpected[i] == strActual[i]) ++i;
    return testing::AssertionFailure() << "expected " << strExpected.size() << " bytes, got " << strActual.size()
                                       << "; first difference at offset " << i;
}
