#include "file.h"

#include <memory>

CFile::CFile()
    : m_hFile(nullptr), m_nLength(0), m_nPosition(0), m_nBase(0), m_nLimit(0), m_nMode(0) {}

CFile::~CFile() { Close(); }

bool CFile::Open(const std::string& strPath, int bWrite) {
    Close();
    HANDLE hFile;
    if (bWrite) {
        hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
        hFile = CreateFileA(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (hFile == INVALID_HANDLE_VALUE) {
        m_hFile = nullptr;
        return false;
    }
    m_hFile = hFile;
    m_nMode = 1;
    if (bWrite) {
        m_nLength = 0;
    } else {
        DWORD dwHigh = 0;
        const DWORD dwLow = GetFileSize(hFile, &dwHigh);
        m_nLength = static_cast<uint64_t>(dwLow) + (static_cast<uint64_t>(dwHigh) << 32);
    }
    m_nPosition = 0;
    m_nBase = 0;
    m_nLimit = m_nLength;
    return true;
}

bool CFile::Close() {
    if (m_nMode == 1 && m_hFile != nullptr) {
        CloseHandle(m_hFile);
        m_hFile = nullptr;
    }
    m_nMode = 0;
    return true;
}

uint32_t CFile::Read(void* pBuffer, uint32_t nCount) {
    if (m_nMode != 1) return 0;
    if (m_nPosition + nCount > m_nLimit) {
        // Only a stream opened for writing can stand past its limit.
        nCount = m_nPosition < m_nLimit ? static_cast<uint32_t>(m_nLimit - m_nPosition) : 0;
    }
    DWORD dwRead = 0;
    if (!ReadFile(m_hFile, pBuffer, nCount, &dwRead, nullptr)) return 0;
    m_nPosition += dwRead;
    return dwRead;
}

uint32_t CFile::Write(const void* pBuffer, uint32_t nCount) {
    if (m_nMode != 1) return 0;
    DWORD dwWritten = 0;
    if (!WriteFile(m_hFile, pBuffer, nCount, &dwWritten, nullptr)) return 0;
    m_nLength += dwWritten;
    m_nPosition += dwWritten;
    return dwWritten;
}

uint32_t CFile::CopyFrom(CFile& source, uint32_t nCount) {
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[nCount]);
    const uint32_t nObtained = source.Read(buffer.get(), nCount);
    if (m_nMode != 1) return 0;
    DWORD dwWritten = 0;
    if (!WriteFile(m_hFile, buffer.get(), nObtained, &dwWritten, nullptr)) return 0;
    m_nLength += dwWritten;
    return dwWritten;
}

uint32_t CFile::Tell() {
    if (m_nMode != 1) return 0;
    const DWORD dwPointer = SetFilePointer(m_hFile, 0, nullptr, FILE_CURRENT);
    return static_cast<uint32_t>(dwPointer - static_cast<uint32_t>(m_nBase));
}

bool CFile::Flush() { return m_nMode == 1 && FlushFileBuffers(m_hFile) != FALSE; }
