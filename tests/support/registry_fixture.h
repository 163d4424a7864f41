// Registry state for tests, in both builds: a throwaway key in the Windows
// registry, or in the registry file of our POSIX services. Names and string
// data are bytes in the system code page. Failures fail the current test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "winapi.h"

// A new key under HKEY_CURRENT_USER, deleted with its values when the object dies.
class TestRegistryKey {
public:
    // The key is Software\UpdateTests\<pid>-<counter><strNameEnd>; strNameEnd
    // lets a test put code page characters into the key's name.
    explicit TestRegistryKey(const std::string& strNameEnd = "");
    ~TestRegistryKey();
    TestRegistryKey(const TestRegistryKey&) = delete;
    TestRegistryKey& operator=(const TestRegistryKey&) = delete;

    // Below HKEY_CURRENT_USER, without leading or trailing backslash.
    const std::string& SubKey() const { return m_strSubKey; }

    // An empty name sets the key's default value.
    void SetString(const std::string& strName, const std::string& strBytes) {
        Set(strName, REG_SZ, strBytes + '\0');
    }
    // REG_SZ whose data is exactly strBytes: no terminator is added.
    void SetStringRaw(const std::string& strName, const std::string& strBytes) {
        Set(strName, REG_SZ, strBytes);
    }
    void SetDword(const std::string& strName, uint32_t nValue) {
        std::string strData;
        for (int n = 0; n < 4; ++n) strData += static_cast<char>((nValue >> (8 * n)) & 0xFF);
        Set(strName, REG_DWORD, strData);
    }
    void SetBinary(const std::string& strName, const std::string& strBytes) {
        Set(strName, REG_BINARY, strBytes);
    }
    // REG_EXPAND_SZ, stored with a terminator like SetString; never expanded.
    void SetExpandString(const std::string& strName, const std::string& strBytes) {
        Set(strName, REG_EXPAND_SZ, strBytes + '\0');
    }

    // The user may still open the key for reading, but not for changing it.
    void MakeReadOnly();

private:
    // Platform part: stores one value, replacing one of the same name.
    void Set(const std::string& strName, DWORD dwType, const std::string& strData);

    std::string m_strSubKey;
    bool m_bReadOnly = false;
#if defined(_WIN32)
    // Opened with full access before any MakeReadOnly, so that the
    // destructor can give access back and delete the key.
    HKEY m_hKey = nullptr;
#else
    struct Value {
        std::string strName;
        DWORD dwType;
        std::string strData;
    };
    // Written out whole at every change, as the key's section of the file.
    std::vector<Value> m_values;
    void WriteSection(bool bKeep);
#endif
};
