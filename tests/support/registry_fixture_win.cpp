// TestRegistryKey over the Windows registry. A key is made read-only with a
// DACL; under Wine that holds only while its wineserver runs, which the test
// run keeps going.
#include <gtest/gtest.h>

#include <vector>

#include "support/registry_fixture.h"

namespace {

const char kParent[] = "Software\\UpdateTests";

// Replaces the key's DACL with one entry: Everyone gets dwAccess. hKey must
// have WRITE_DAC, which a handle keeps even after its DACL no longer grants it.
bool GiveEveryone(HKEY hKey, DWORD dwAccess) {
    BYTE abSid[SECURITY_MAX_SID_SIZE];
    DWORD cbSid = sizeof abSid;
    if (!CreateWellKnownSid(WinWorldSid, nullptr, abSid, &cbSid)) return false;
    const DWORD cbAcl = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(abSid);
    std::vector<DWORD> acl((cbAcl + sizeof(DWORD) - 1) / sizeof(DWORD));
    PACL pAcl = reinterpret_cast<PACL>(acl.data());
    SECURITY_DESCRIPTOR sd;
    return InitializeAcl(pAcl, cbAcl, ACL_REVISION) &&
           AddAccessAllowedAce(pAcl, ACL_REVISION, dwAccess, abSid) &&
           InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&sd, TRUE, pAcl, FALSE) &&
           RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
}

}  // namespace

TestRegistryKey::TestRegistryKey(const std::string& strNameEnd) {
    static unsigned s_nCounter = 0;
    m_strSubKey = std::string(kParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(++s_nCounter) + strNameEnd;
    // A run that died may have left a key of the same process number.
    RegDeleteKeyA(HKEY_CURRENT_USER, m_strSubKey.c_str());
    const LONG lResult = RegCreateKeyExA(HKEY_CURRENT_USER, m_strSubKey.c_str(), 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &m_hKey,
                                         nullptr);
    if (lResult != ERROR_SUCCESS) {
        m_hKey = nullptr;
        ADD_FAILURE() << "RegCreateKeyExA " << m_strSubKey << ": " << lResult;
    }
}

TestRegistryKey::~TestRegistryKey() {
    if (m_hKey != nullptr) {
        if (m_bReadOnly && !GiveEveryone(m_hKey, KEY_ALL_ACCESS)) {
            ADD_FAILURE() << "cannot give access back to " << m_strSubKey;
        }
        RegCloseKey(m_hKey);
        const LONG lResult = RegDeleteKeyA(HKEY_CURRENT_USER, m_strSubKey.c_str());
        if (lResult != ERROR_SUCCESS) ADD_FAILURE() << "RegDeleteKeyA " << m_strSubKey << ": " << lResult;
    }
    // Fails while other keys of the run remain below it, as it should.
    RegDeleteKeyA(HKEY_CURRENT_USER, kParent);
}

void TestRegistryKey::Set(const std::string& strName, DWORD dwType, const std::string& strData) {
    // RegSetValueExA adds a string's terminator to the count when it follows
    // the data; a byte that is not NUL there keeps the data as given.
    const std::string strBuffer = strData + '\x01';
    const LONG lResult = RegSetValueExA(m_hKey, strName.c_str(), 0, dwType,
                                        reinterpret_cast<const BYTE*>(strBuffer.data()),
                                        static_cast<DWORD>(strData.size()));
    if (lResult != ERROR_SUCCESS) ADD_FAILURE() << "RegSetValueExA " << strName << ": " << lResult;
}

void TestRegistryKey::MakeReadOnly() {
    if (!GiveEveryone(m_hKey, KEY_READ)) ADD_FAILURE() << "cannot make " << m_strSubKey << " read-only";
    m_bReadOnly = true;
}
