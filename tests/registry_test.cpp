#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "registry.h"
#include "support/registry_fixture.h"

namespace {

const unsigned char kGuard = 0xA5;
const size_t kGuardBytes = 32;

// What CRegistry::QueryValue did to a buffer of nSize bytes followed by guard bytes.
struct Delivery {
    bool bOk;
    std::string strBytes;  // the nSize bytes of the buffer
    bool bGuardIntact;     // nothing written past nSize
};

Delivery Query(CRegistry& reg, const std::string& strName, uint32_t nSize) {
    std::vector<unsigned char> buffer(nSize + kGuardBytes, kGuard);
    Delivery delivery;
    delivery.bOk = reg.QueryValue(strName, buffer.data(), nSize);
    delivery.strBytes.assign(reinterpret_cast<const char*>(buffer.data()), nSize);
    delivery.bGuardIntact = true;
    for (size_t n = nSize; n < buffer.size(); ++n) {
        if (buffer[n] != kGuard) delivery.bGuardIntact = false;
    }
    return delivery;
}

std::string Upper(std::string str) {
    for (char& c : str) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return str;
}

TEST(RegistryTest, OpensKeyAndReadsString) {
    TestRegistryKey key;
    key.SetString("InstallDir", "C:\\Program Files\\Product\\");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
    EXPECT_NE(nullptr, reg.m_hKey);
    char szDir[MAX_PATH];
    std::memset(szDir, 'x', sizeof szDir);
    ASSERT_TRUE(reg.QueryValue("InstallDir", szDir, sizeof szDir));
    EXPECT_STREQ("C:\\Program Files\\Product\\", szDir);
}

struct ValueCase {
    const char* pszWhat;
    std::string strName;
    std::function<void(TestRegistryKey&)> set;
    DWORD dwType;
    std::string strBytes;
};

TEST(RegistryTest, ValuesArriveAsTheirRawBytes) {
    std::string strLong;
    for (int n = 0; n < 100; ++n) strLong += static_cast<char>(n * 37 + 11);
    const ValueCase cases[] = {
        {"escapes in a string", "v",
         [](TestRegistryKey& k) { k.SetString("v", "C:\\a\\\"b\" \\"); }, REG_SZ,
         std::string("C:\\a\\\"b\" \\\0", 11)},
        {"empty string", "v", [](TestRegistryKey& k) { k.SetString("v", ""); }, REG_SZ,
         std::string(1, '\0')},
        {"string without terminator", "v", [](TestRegistryKey& k) { k.SetStringRaw("v", "abc"); },
         REG_SZ, "abc"},
        {"dword", "v", [](TestRegistryKey& k) { k.SetDword("v", 0x12345678u); }, REG_DWORD,
         "\x78\x56\x34\x12"},
        {"dword with zero bytes", "v", [](TestRegistryKey& k) { k.SetDword("v", 0x00FF0001u); },
         REG_DWORD, std::string("\x01\x00\xFF\x00", 4)},
        {"binary", "v",
         [](TestRegistryKey& k) { k.SetBinary("v", std::string("\x00\x01\xFF\x5C\x22\x0A", 6)); },
         REG_BINARY, std::string("\x00\x01\xFF\x5C\x22\x0A", 6)},
        {"long binary", "v", [&](TestRegistryKey& k) { k.SetBinary("v", strLong); }, REG_BINARY,
         strLong},
        {"expand string, not expanded", "v",
         [](TestRegistryKey& k) { k.SetExpandString("v", "%TEMP%\\Update"); }, REG_EXPAND_SZ,
         std::string("%TEMP%\\Update\0", 14)},
        {"default value", "", [](TestRegistryKey& k) { k.SetString("", "default"); }, REG_SZ,
         std::string("default\0", 8)},
        {"value set twice", "v",
         [](TestRegistryKey& k) {
             k.SetString("v", "first");
             k.SetDword("v", 7);
         },
         REG_DWORD, std::string("\x07\x00\x00\x00", 4)},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        TestRegistryKey key;
        key.SetString("other", "neighbour");
        c.set(key);
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
        const uint32_t nSize = static_cast<uint32_t>(c.strBytes.size());
        const Delivery exact = Query(reg, c.strName, nSize);
        EXPECT_TRUE(exact.bOk);
        EXPECT_EQ(c.strBytes, exact.strBytes);
        EXPECT_TRUE(exact.bGuardIntact);
        DWORD dwType = REG_NONE;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(reg.m_hKey, c.strName.c_str(), nullptr, &dwType,
                                                  nullptr, nullptr));
        EXPECT_EQ(c.dwType, dwType);
        if (nSize > 0) {
            const Delivery shortBy1 = Query(reg, c.strName, nSize - 1);
            EXPECT_FALSE(shortBy1.bOk);
            EXPECT_TRUE(shortBy1.bGuardIntact);
        }
    }
}

// 260 bytes is MAX_PATH, the buffer that callers give for a folder.
TEST(RegistryTest, ValueFitsOnlyWithinBufferOf260Bytes) {
    const struct {
        const char* pszWhat;
        bool bRaw;  // stored without terminator
        size_t nChars;
        bool bFits;
    } cases[] = {
        {"259 characters and terminator", false, 259, true},
        {"260 characters and terminator", false, 260, false},
        {"260 bytes without terminator", true, 260, true},
        {"261 bytes without terminator", true, 261, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        std::string strChars;
        for (size_t n = 0; n < c.nChars; ++n) strChars += static_cast<char>('a' + n % 26);
        TestRegistryKey key;
        if (c.bRaw) {
            key.SetStringRaw("Path", strChars);
        } else {
            key.SetString("Path", strChars);
        }
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
        const Delivery delivery = Query(reg, "Path", MAX_PATH);
        EXPECT_EQ(c.bFits, delivery.bOk);
        EXPECT_TRUE(delivery.bGuardIntact);
        if (c.bFits) {
            EXPECT_EQ(c.bRaw ? strChars : strChars + '\0', delivery.strBytes);
        }
    }
}

TEST(RegistryTest, StringWithoutTerminatorGetsOneWhenBufferHasRoom) {
    TestRegistryKey key;
    key.SetStringRaw("v", "abc");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
    const Delivery delivery = Query(reg, "v", 8);
    ASSERT_TRUE(delivery.bOk);
    EXPECT_EQ(std::string("abc\0", 4), delivery.strBytes.substr(0, 4));
    EXPECT_EQ(std::string(4, static_cast<char>(kGuard)), delivery.strBytes.substr(4));
}

TEST(RegistryTest, MissingKeyIsNotOpened) {
    TestRegistryKey key;
    key.SetString("v", "x");
    for (const std::string& strSubKey :
         {key.SubKey() + "\\Missing", key.SubKey() + "x", key.SubKey().substr(0, key.SubKey().size() - 1)}) {
        SCOPED_TRACE(strSubKey);
        CRegistry reg;
        EXPECT_FALSE(reg.Open(HKEY_CURRENT_USER, strSubKey));
        EXPECT_EQ(nullptr, reg.m_hKey);
        char buffer[8];
        EXPECT_FALSE(reg.QueryValue("v", buffer, sizeof buffer));
    }
}

TEST(RegistryTest, MissingValueIsNotRead) {
    TestRegistryKey key;
    key.SetString("Present", "x");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
    const Delivery delivery = Query(reg, "Absent", 16);
    EXPECT_FALSE(delivery.bOk);
    EXPECT_EQ(std::string(16, static_cast<char>(kGuard)), delivery.strBytes);
    EXPECT_FALSE(Query(reg, "", 16).bOk);
    EXPECT_TRUE(Query(reg, "Present", 16).bOk);
}

TEST(RegistryTest, QueryBeforeAnyOpenFails) {
    CRegistry reg;
    EXPECT_EQ(nullptr, reg.m_hKey);
    const Delivery delivery = Query(reg, "v", 16);
    EXPECT_FALSE(delivery.bOk);
    EXPECT_EQ(std::string(16, static_cast<char>(kGuard)), delivery.strBytes);
}

TEST(RegistryTest, SecondOpenClosesFirstKey) {
    TestRegistryKey first;
    first.SetString("v", "first");
    TestRegistryKey second;
    second.SetString("v", "second");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, first.SubKey()));
    const HKEY hFirst = reg.m_hKey;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, second.SubKey()));
    const Delivery delivery = Query(reg, "v", 16);
    ASSERT_TRUE(delivery.bOk);
    EXPECT_STREQ("second", delivery.strBytes.c_str());
    // The handle value may be reused only once the first handle is closed.
    EXPECT_TRUE(reg.m_hKey == hFirst || RegCloseKey(hFirst) == ERROR_INVALID_HANDLE);
}

TEST(RegistryTest, FailedSecondOpenLeavesNoKey) {
    TestRegistryKey key;
    key.SetString("v", "first");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
    const HKEY hFirst = reg.m_hKey;
    EXPECT_FALSE(reg.Open(HKEY_CURRENT_USER, key.SubKey() + "\\Missing"));
    EXPECT_EQ(nullptr, reg.m_hKey);
    EXPECT_FALSE(Query(reg, "v", 16).bOk);
    // No handle was made since, so the first one's value is not in use again.
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(hFirst));
}

TEST(RegistryTest, KeyTheUserMayOnlyReadIsNotOpened) {
    TestRegistryKey key;
    key.SetString("v", "kept");
    key.MakeReadOnly();
    CRegistry reg;
    EXPECT_FALSE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
    EXPECT_EQ(nullptr, reg.m_hKey);
    EXPECT_FALSE(Query(reg, "v", 16).bOk);

    // Reading is still allowed: it is the full access that is refused.
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, key.SubKey().c_str(), 0, KEY_READ, &hKey));
    char szData[16] = {};
    DWORD cbData = sizeof szData;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hKey, "v", nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(szData), &cbData));
    EXPECT_STREQ("kept", szData);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
}

TEST(RegistryTest, NamesIgnoreCaseOfAsciiLetters) {
    TestRegistryKey key;
    key.SetString("InstallDir", "x");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, Upper(key.SubKey())));
    EXPECT_TRUE(Query(reg, "INSTALLDIR", 2).bOk);
    EXPECT_TRUE(Query(reg, "installdir", 2).bOk);
    EXPECT_FALSE(Query(reg, "InstallDi", 2).bOk);
}

// 表 is 95 5C: its second byte is a backslash when taken alone. ア (83 41)
// and ダ (83 61) differ only as ASCII letters differ in case.
TEST(RegistryTest, CodePage932NamesAndDataSurvive) {
    if (GetACP() != 932) GTEST_SKIP() << "needs the system code page 932";
    TestRegistryKey key("\x95\x5C");
    key.SetString("\x95\x5C", "\x95\x5C\x8E\xA6\\");
    key.SetString("\x83\x41", "a");
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, key.SubKey()));
    const Delivery delivery = Query(reg, "\x95\x5C", 6);
    EXPECT_TRUE(delivery.bOk);
    EXPECT_EQ(std::string("\x95\x5C\x8E\xA6\\\0", 6), delivery.strBytes);
    EXPECT_TRUE(Query(reg, "\x83\x41", 2).bOk);
    EXPECT_FALSE(Query(reg, "\x83\x61", 2).bOk);

    // Without its last byte the name ends in a lone lead byte: another key.
    CRegistry other;
    EXPECT_FALSE(other.Open(HKEY_CURRENT_USER, key.SubKey().substr(0, key.SubKey().size() - 1)));
}

}  // namespace
