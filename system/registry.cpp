#include "registry.h"

CRegistry::CRegistry() : m_hKey(nullptr) {}

CRegistry::~CRegistry() {
    if (m_hKey != nullptr) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

bool CRegistry::Open(HKEY hRoot, const std::string& strSubKey) {
    if (m_hKey != nullptr) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(hRoot, strSubKey.c_str(), 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS) {
        return false;
    }
    m_hKey = hKey;
    return true;
}

bool CRegistry::QueryValue(const std::string& strName, void* pBuffer, uint32_t nSize) {
    DWORD dwType = 0;
    DWORD dwSize = nSize;
    return RegQueryValueExA(m_hKey, strName.c_str(), nullptr, &dwType,
                            static_cast<LPBYTE>(pBuffer), &dwSize) == ERROR_SUCCESS;
}
