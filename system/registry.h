// CRegistry: at most one open registry key, read value by value.
#pragma once

#include <cstdint>
#include <string>

#include "base.h"
#include "winapi.h"

class CRegistry : public CBase {
public:
    CRegistry();
    virtual ~CRegistry();

    // Closes the key held, then opens hRoot\strSubKey with full access, so a
    // key the user may only read is refused. On failure no key is held.
    bool Open(HKEY hRoot, const std::string& strSubKey);

    // Reads the value's raw bytes, whatever its type, into pBuffer. False for
    // a missing value, data larger than nSize (the buffer is then not to be
    // used) and when no key is held.
    bool QueryValue(const std::string& strName, void* pBuffer, uint32_t nSize);

    HKEY m_hKey;
};
