// The registry of our POSIX services read from REGEDIT4 text written here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "winapi.h"

namespace {

const char kFileHeader[] = "REGEDIT4\r\n\r\n";
const char kKey[] = "[HKEY_CURRENT_USER\\Software\\Vendor\\Product]\r\n";
const char kKeyPath[] = "Software\\Vendor\\Product";
const DWORD kRegMultiSz = 7;
const DWORD kRegQword = 11;
const REGSAM kKeySetValue = 0x0002;
const REGSAM kKeyCreateSubKey = 0x0004;
const REGSAM kDelete = 0x00010000;

// Status, type and data of a value read with the services.
struct Read {
    LSTATUS lStatus;
    DWORD dwType;
    std::string strData;
};

Read ReadValue(const char* pszSubKey, const char* pszName) {
    HKEY hKey = nullptr;
    Read read{RegOpenKeyExA(HKEY_CURRENT_USER, pszSubKey, 0, KEY_READ, &hKey), REG_NONE, ""};
    if (read.lStatus != ERROR_SUCCESS) return read;
    DWORD cbData = 0;
    read.lStatus = RegQueryValueExA(hKey, pszName, nullptr, &read.dwType, nullptr, &cbData);
    if (read.lStatus == ERROR_SUCCESS) {
        std::vector<BYTE> data(cbData + 1);
        read.lStatus = RegQueryValueExA(hKey, pszName, nullptr, nullptr, data.data(), &cbData);
        read.strData.assign(reinterpret_cast<const char*>(data.data()), cbData);
    }
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
    return read;
}

LSTATUS OpenStatus(const char* pszSubKey, REGSAM sam = KEY_READ) {
    HKEY hKey = reinterpret_cast<HKEY>(&hKey);  // anything but null, to see it cleared
    const LSTATUS lStatus = RegOpenKeyExA(HKEY_CURRENT_USER, pszSubKey, 0, sam, &hKey);
    if (lStatus == ERROR_SUCCESS) {
        EXPECT_NE(nullptr, hKey);
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
    } else {
        EXPECT_EQ(nullptr, hKey);
    }
    return lStatus;
}

void ExpectValue(const Read& read, DWORD dwType, const std::string& strData) {
    EXPECT_EQ(ERROR_SUCCESS, read.lStatus);
    EXPECT_EQ(dwType, read.dwType);
    EXPECT_EQ(strData, read.strData);
}

// A folder of its own; UPDATE_REGISTRY_FILE names a file in it for the test.
class RegistryFileTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* pszName : kEnvironment) {
            const char* pszValue = std::getenv(pszName);
            m_saved.push_back({pszName, pszValue != nullptr, pszValue != nullptr ? pszValue : ""});
        }
        char szDir[] = "/tmp/update-regfile-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(szDir));
        m_strDir = szDir;
        m_strFile = m_strDir + "/registry.reg";
        setenv("UPDATE_REGISTRY_FILE", m_strFile.c_str(), 1);
    }

    void TearDown() override {
        for (const Saved& saved : m_saved) {
            if (saved.bSet) {
                setenv(saved.pszName, saved.strValue.c_str(), 1);
            } else {
                unsetenv(saved.pszName);
            }
        }
        EXPECT_EQ(0, std::system(("rm -rf '" + m_strDir + "'").c_str()));
    }

    static void WriteFile(const std::string& strPath, const std::string& strText) {
        std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
        out << strText;
        out.close();
        ASSERT_TRUE(out.good()) << strPath;
    }

    void Write(const std::string& strText) { WriteFile(m_strFile, strText); }

    std::string m_strDir;
    std::string m_strFile;

private:
    static constexpr const char* kEnvironment[] = {"UPDATE_REGISTRY_FILE", "XDG_CONFIG_HOME", "HOME"};
    struct Saved {
        const char* pszName;
        bool bSet;
        std::string strValue;
    };
    std::vector<Saved> m_saved;
};

TEST_F(RegistryFileTest, ValueForms) {
    const struct {
        const char* pszLine;
        const char* pszName;
        DWORD dwType;
        std::string strData;
    } cases[] = {
        {"\"s\"=\"plain\"", "s", REG_SZ, std::string("plain\0", 6)},
        {"\"s\"=\"\"", "s", REG_SZ, std::string(1, '\0')},
        {"\"s\"=\"C:\\\\Program Files\\\\\\\"Q\\\"\\\\\"", "s", REG_SZ,
         std::string("C:\\Program Files\\\"Q\"\\\0", 22)},
        {"\"s\"=\"a;b=c [d]\"", "s", REG_SZ, std::string("a;b=c [d]\0", 10)},
        {"\"s\"=\"windows line\"\r", "s", REG_SZ, std::string("windows line\0", 13)},
        {"  \"s\"=\"indented\"  ", "s", REG_SZ, std::string("indented\0", 9)},
        {"\"with \\\"quotes\\\" and \\\\\"=\"x\"", "with \"quotes\" and \\", REG_SZ,
         std::string("x\0", 2)},
        {"\"d\"=dword:0000002a", "d", REG_DWORD, std::string("\x2a\0\0\0", 4)},
        {"\"d\"=dword:FFFFfffe", "d", REG_DWORD, "\xFE\xFF\xFF\xFF"},
        {"\"d\"=dword:12345678", "d", REG_DWORD, "\x78\x56\x34\x12"},
        {"\"d\"=dword:7", "d", REG_DWORD, std::string("\x07\0\0\0", 4)},
        {"\"b\"=hex:01,02,ff", "b", REG_BINARY, "\x01\x02\xFF"},
        {"\"b\"=hex:", "b", REG_BINARY, ""},
        {"\"b\"=hex:00, 0A ,7", "b", REG_BINARY, std::string("\x00\x0A\x07", 3)},
        {"\"b\"=hex:00,01,\\\r\n  02,03,\\\n\t04", "b", REG_BINARY, std::string("\x00\x01\x02\x03\x04", 5)},
        {"\"x\"=hex(2):25,54,45,4d,50,25,00", "x", REG_EXPAND_SZ, std::string("%TEMP%\0", 7)},
        {"\"r\"=hex(1):61,5c,22", "r", REG_SZ, "a\\\""},
        {"\"m\"=hex(7):61,00,62,00,00", "m", kRegMultiSz, std::string("a\0b\0\0", 5)},
        {"\"q\"=hex(b):01,00,00,00,00,00,00,80", "q", kRegQword,
         std::string("\x01\0\0\0\0\0\0\x80", 8)},
        {"\"n\"=hex(0):", "n", REG_NONE, ""},
        {"@=\"default\"", "", REG_SZ, std::string("default\0", 8)},
        {"@=\"default\"", nullptr, REG_SZ, std::string("default\0", 8)},
        {"\"\"=\"empty name is the default\"", nullptr, REG_SZ,
         std::string("empty name is the default\0", 26)},
        {"\"MixedCase\"=dword:1", "mIXEDcASE", REG_DWORD, std::string("\x01\0\0\0", 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszLine);
        Write(std::string(kFileHeader) + kKey + c.pszLine + "\r\n\"after\"=\"x\"\r\n");
        ExpectValue(ReadValue(kKeyPath, c.pszName), c.dwType, c.strData);
        EXPECT_EQ(ERROR_SUCCESS, ReadValue(kKeyPath, "after").lStatus);
    }
}

TEST_F(RegistryFileTest, MalformedLinesAreSkipped) {
    const char* const lines[] = {
        "\"u\"=\"unterminated",
        "\"u\"=\"x\" trailing",
        "\"u\"=\"x\\\"",
        "\"u\"=dword:123456789",
        "\"u\"=dword:",
        "\"u\"=dword:xyz",
        "\"u\"=DWORD:00000001",
        "\"u\"=hex:1,zz",
        "\"u\"=hex:100",
        "\"u\"=hex:,01",
        "\"u\"=hex:01,,02",
        "\"u\"=hex(zz):01",
        "\"u\"=hex(2:01",
        "\"u\"=hex(123456789):01",
        "\"u\"=",
        "\"u\"",
        "\"u\"=unknown:1",
        "\"u\"=\"x\"\"y\"",
        "\"u",
        "u=\"x\"",
        "@",
        "garbage line",
        "=\"x\"",
    };
    for (const char* pszLine : lines) {
        SCOPED_TRACE(pszLine);
        Write(std::string(kFileHeader) + kKey + "\"before\"=\"x\"\r\n" + pszLine + "\r\n\"after\"=\"y\"\r\n");
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, "u").lStatus);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, nullptr).lStatus);
        ExpectValue(ReadValue(kKeyPath, "before"), REG_SZ, std::string("x\0", 2));
        ExpectValue(ReadValue(kKeyPath, "after"), REG_SZ, std::string("y\0", 2));
    }
}

TEST_F(RegistryFileTest, ValuesGoOnlyToTheKeyOfTheirSection) {
    Write(std::string(kFileHeader) +
          "\"early\"=\"before any section\"\r\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product]\r\n"
          "\"machine\"=\"x\"\r\n" +
          kKey +
          "\"own\"=\"x\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\Vendor\\Product\r\n"
          "\"afterBadHeader\"=\"x\"\r\n"
          "[HKEY_LOCAL_MACHINE\\Software\\OnlyMachine]\r\n"
          "[HKEY_CURRENT_USERS\\Software\\Vendor\\Product]\r\n"
          "\"otherRoot\"=\"x\"\r\n");
    EXPECT_EQ(ERROR_SUCCESS, ReadValue(kKeyPath, "own").lStatus);
    for (const char* pszName : {"early", "machine", "afterBadHeader", "otherRoot"}) {
        SCOPED_TRACE(pszName);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, pszName).lStatus);
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus("Software\\OnlyMachine"));
}

TEST_F(RegistryFileTest, CommentsAndBlankLinesAreSkipped) {
    Write(std::string(kFileHeader) + "; a comment before the keys\r\n\r\n" + kKey +
          ";\"commented\"=\"x\"\r\n"
          "   ; indented comment\r\n"
          "; a comment ending as a continued line \\\r\n"
          "\"next\"=\"kept\"\r\n"
          "\r\n\t\r\n"
          "\"b\"=hex:01,\\\r\n"
          "  02\r\n"
          ";[HKEY_CURRENT_USER\\Software\\Commented]\r\n");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, "commented").lStatus);
    ExpectValue(ReadValue(kKeyPath, "next"), REG_SZ, std::string("kept\0", 5));
    ExpectValue(ReadValue(kKeyPath, "b"), REG_BINARY, "\x01\x02");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus("Software\\Commented"));
}

TEST_F(RegistryFileTest, ContinuedListEndingTheFileKeepsItsBytes) {
    Write(std::string(kFileHeader) + kKey + "\"b\"=hex:01,02,\\\r\n");
    ExpectValue(ReadValue(kKeyPath, "b"), REG_BINARY, "\x01\x02");
    Write(std::string(kFileHeader) + kKey + "\"b\"=hex:01,02,\\");
    ExpectValue(ReadValue(kKeyPath, "b"), REG_BINARY, "\x01\x02");
}

TEST_F(RegistryFileTest, ContinuedLineIsNotTakenForAValue) {
    Write(std::string(kFileHeader) + kKey +
          "\"b\"=hex:01,\\\r\n"
          "  \"fake\"=\"x\"\r\n"
          "\"real\"=\"y\"\r\n");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, "b").lStatus);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, "fake").lStatus);
    EXPECT_EQ(ERROR_SUCCESS, ReadValue(kKeyPath, "real").lStatus);
}

TEST_F(RegistryFileTest, FirstLineMustBeRegedit4) {
    const struct {
        std::string strFirst;
        LSTATUS lExpected;
    } cases[] = {
        {"REGEDIT4\n", ERROR_SUCCESS},
        {"REGEDIT4\r\n", ERROR_SUCCESS},
        {"REGEDIT4  \r\n", ERROR_SUCCESS},
        {"Windows Registry Editor Version 5.00\r\n", ERROR_FILE_NOT_FOUND},
        {std::string("\xFF\xFER\0E\0G\0E\0D\0I\0T\0" "4\0\r\0\n\0", 22), ERROR_FILE_NOT_FOUND},
        {"REGEDIT\r\n", ERROR_FILE_NOT_FOUND},
        {"REGEDIT44\r\n", ERROR_FILE_NOT_FOUND},
        {"\r\nREGEDIT4\r\n", ERROR_FILE_NOT_FOUND},
        {"; comment\r\nREGEDIT4\r\n", ERROR_FILE_NOT_FOUND},
        {"", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.strFirst));
        Write(c.strFirst + kKey + "\"v\"=\"x\"\r\n");
        EXPECT_EQ(c.lExpected, OpenStatus(kKeyPath));
    }
    Write("");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus("Software"));
}

TEST_F(RegistryFileTest, MissingFileHasNoKeysButTheRoot) {
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus(kKeyPath));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus("Software"));
    EXPECT_EQ(ERROR_SUCCESS, OpenStatus(""));
    setenv("UPDATE_REGISTRY_FILE", (m_strDir + "/missing/registry.reg").c_str(), 1);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus(kKeyPath));
}

TEST_F(RegistryFileTest, KeysExistAsSectionsAndTheirParents) {
    Write(std::string(kFileHeader) + kKey + "\"v\"=\"x\"\r\n");
    const struct {
        const char* pszSubKey;
        LSTATUS lExpected;
    } cases[] = {
        {"Software\\Vendor\\Product", ERROR_SUCCESS},
        {"software\\VENDOR\\pRODUCT", ERROR_SUCCESS},
        {"Software\\Vendor\\Product\\", ERROR_SUCCESS},
        {"Software\\Vendor", ERROR_SUCCESS},
        {"Software", ERROR_SUCCESS},
        {"SOFTWARE\\", ERROR_SUCCESS},
        {"", ERROR_SUCCESS},
        {nullptr, ERROR_SUCCESS},
        {"Software\\Vend", ERROR_FILE_NOT_FOUND},
        {"Software\\Vendor\\Product\\Sub", ERROR_FILE_NOT_FOUND},
        {"Software\\Vendor\\Product\\\\", ERROR_FILE_NOT_FOUND},
        {"Software\\\\Vendor", ERROR_FILE_NOT_FOUND},
        {"Software\\Vendor\\Produc", ERROR_FILE_NOT_FOUND},
        {"Software\\Vendor\\Product2", ERROR_FILE_NOT_FOUND},
        {"Vendor", ERROR_FILE_NOT_FOUND},
        {"HKEY_CURRENT_USER\\Software", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszSubKey != nullptr ? c.pszSubKey : "(null)");
        EXPECT_EQ(c.lExpected, OpenStatus(c.pszSubKey));
    }
    // A parent that only the section of its subkey implies has no values.
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue("Software\\Vendor", "v").lStatus);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue("Software\\Vendor", nullptr).lStatus);
}

TEST_F(RegistryFileTest, RootOpensAsItsOwnHandleAndReadsItsValues) {
    Write(std::string(kFileHeader) + "[HKEY_CURRENT_USER]\r\n\"r\"=\"root\"\r\n");
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &hKey));
    EXPECT_EQ(HKEY_CURRENT_USER, hKey);
    char szData[8] = {};
    DWORD cbData = sizeof szData;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(HKEY_CURRENT_USER, "r", nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(szData), &cbData));
    EXPECT_STREQ("root", szData);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
}

TEST_F(RegistryFileTest, SectionsOfOneKeyMergeAndLaterValuesWin) {
    Write(std::string(kFileHeader) + kKey + "\"a\"=\"1\"\r\n\"b\"=\"1\"\r\n" +
          "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"a\"=\"other\"\r\n" +
          "[hkey_current_user\\SOFTWARE\\vendor\\PRODUCT]\r\n\"A\"=dword:2\r\n\"c\"=\"3\"\r\n");
    ExpectValue(ReadValue(kKeyPath, "a"), REG_DWORD, std::string("\x02\0\0\0", 4));
    ExpectValue(ReadValue(kKeyPath, "b"), REG_SZ, std::string("1\0", 2));
    ExpectValue(ReadValue(kKeyPath, "c"), REG_SZ, std::string("3\0", 2));
    ExpectValue(ReadValue("Software\\Other", "a"), REG_SZ, std::string("other\0", 6));
}

TEST_F(RegistryFileTest, DashValueDeletesTheValue) {
    Write(std::string(kFileHeader) + kKey + "\"gone\"=\"x\"\r\n\"kept\"=\"y\"\r\n@=\"d\"\r\n" +
          "[HKEY_CURRENT_USER\\Software\\Vendor\\Product]\r\n\"GONE\"=-\r\n@=-\r\n\"never\"=-\r\n");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, "gone").lStatus);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, nullptr).lStatus);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue(kKeyPath, "never").lStatus);
    ExpectValue(ReadValue(kKeyPath, "kept"), REG_SZ, std::string("y\0", 2));

    // Set again after its deletion, the value is back.
    Write(std::string(kFileHeader) + kKey + "\"v\"=\"x\"\r\n\"v\"=-\r\n\"v\"=dword:1\r\n");
    ExpectValue(ReadValue(kKeyPath, "v"), REG_DWORD, std::string("\x01\0\0\0", 4));
}

TEST_F(RegistryFileTest, DashSectionDeletesKeyAndSubkeys) {
    Write(std::string(kFileHeader) +
          "[HKEY_CURRENT_USER\\Software\\A]\r\n\"v\"=\"old\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\A\\B]\r\n\"v\"=\"x\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\A\\B\\C]\r\n"
          "[HKEY_CURRENT_USER\\Software\\AB]\r\n\"v\"=\"x\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\Keep]\r\n"
          "[-HKEY_CURRENT_USER\\software\\a]\r\n"
          "\"afterDelete\"=\"goes nowhere\"\r\n");
    const struct {
        const char* pszSubKey;
        LSTATUS lExpected;
    } cases[] = {
        {"Software\\A", ERROR_FILE_NOT_FOUND},     {"Software\\A\\B", ERROR_FILE_NOT_FOUND},
        {"Software\\A\\B\\C", ERROR_FILE_NOT_FOUND}, {"Software\\AB", ERROR_SUCCESS},
        {"Software\\Keep", ERROR_SUCCESS},         {"Software", ERROR_SUCCESS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszSubKey);
        EXPECT_EQ(c.lExpected, OpenStatus(c.pszSubKey));
    }
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue("Software\\Keep", "afterDelete").lStatus);

    // Made again after its deletion, the key starts empty.
    Write(std::string(kFileHeader) +
          "[HKEY_CURRENT_USER\\Software\\A]\r\n\"v\"=\"old\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\A\\B]\r\n"
          "[-HKEY_CURRENT_USER\\Software\\A]\r\n"
          "[HKEY_CURRENT_USER\\Software\\A]\r\n\"w\"=\"new\"\r\n");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue("Software\\A", "v").lStatus);
    EXPECT_EQ(ERROR_SUCCESS, ReadValue("Software\\A", "w").lStatus);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus("Software\\A\\B"));

    // Deleting a key that only a subkey implies deletes that subkey.
    Write(std::string(kFileHeader) + kKey + "[-HKEY_CURRENT_USER\\Software\\Vendor]\r\n");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus(kKeyPath));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus("Software"));
}

TEST_F(RegistryFileTest, WriteRightsNeedAWritableFile) {
    Write(std::string(kFileHeader) + kKey + "\"v\"=\"x\"\r\n");
    const struct {
        REGSAM sam;
        bool bWrites;
    } cases[] = {
        {KEY_READ, false},       {KEY_QUERY_VALUE, false},  {kKeySetValue, true},
        {kKeyCreateSubKey, true}, {KEY_ALL_ACCESS, true},   {kDelete, true},
        {GENERIC_WRITE, true},   {KEY_READ | kKeySetValue, true},
    };
    for (mode_t mode : {0644, 0600, 0444, 0400}) {
        ASSERT_EQ(0, chmod(m_strFile.c_str(), mode));
        const bool bReadOnly = (mode & S_IWUSR) == 0;
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "mode " << std::oct << mode << " sam " << std::hex << c.sam);
            const LSTATUS lExpected = bReadOnly && c.bWrites ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
            EXPECT_EQ(lExpected, OpenStatus(kKeyPath, c.sam));
            EXPECT_EQ(lExpected, OpenStatus("Software", c.sam));
            EXPECT_EQ(lExpected, OpenStatus("", c.sam));
            // A missing key is missing, whatever the access.
            EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus("Software\\Missing", c.sam));
        }
    }
}

TEST_F(RegistryFileTest, OpenRefusesRootsItDoesNotKnow) {
    Write(std::string(kFileHeader) + kKey);
    HKEY hClosed = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &hClosed));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(hClosed));
    const struct {
        const char* pszWhat;
        HKEY hRoot;
        LSTATUS lExpected;
    } cases[] = {
        {"HKEY_CLASSES_ROOT", reinterpret_cast<HKEY>(uintptr_t{0x80000000u}), ERROR_FILE_NOT_FOUND},
        {"HKEY_LOCAL_MACHINE", reinterpret_cast<HKEY>(uintptr_t{0x80000002u}), ERROR_FILE_NOT_FOUND},
        {"HKEY_USERS", reinterpret_cast<HKEY>(uintptr_t{0x80000003u}), ERROR_FILE_NOT_FOUND},
        {"null", nullptr, ERROR_INVALID_HANDLE},
        {"made up", reinterpret_cast<HKEY>(uintptr_t{0x1234}), ERROR_INVALID_HANDLE},
        {"closed", hClosed, ERROR_INVALID_HANDLE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        HKEY hKey = HKEY_CURRENT_USER;
        EXPECT_EQ(c.lExpected, RegOpenKeyExA(c.hRoot, "Vendor\\Product", 0, KEY_READ, &hKey));
        EXPECT_EQ(nullptr, hKey);
    }
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr));
}

TEST_F(RegistryFileTest, OpenKeyServesAsRootOfRelativeNames) {
    Write(std::string(kFileHeader) + kKey + "\"v\"=\"product\"\r\n");
    HKEY hSoftware = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_READ, &hSoftware));
    HKEY hProduct = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(hSoftware, "vendor\\Product\\", 0, KEY_READ, &hProduct));
    char szData[16] = {};
    DWORD cbData = sizeof szData;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hProduct, "v", nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(szData), &cbData));
    EXPECT_STREQ("product", szData);

    HKEY hMissing = HKEY_CURRENT_USER;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(hSoftware, "Product", 0, KEY_READ, &hMissing));
    EXPECT_EQ(nullptr, hMissing);

    // An empty name opens the same key again, as a handle of its own.
    HKEY hAgain = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(hProduct, nullptr, 0, KEY_READ, &hAgain));
    EXPECT_NE(hProduct, hAgain);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hProduct));
    cbData = sizeof szData;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hAgain, "v", nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(szData), &cbData));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hAgain));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hSoftware));
}

TEST_F(RegistryFileTest, HandleKeepsValuesOfItsOpening) {
    Write(std::string(kFileHeader) + kKey + "\"v\"=\"old\"\r\n");
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &hKey));
    Write(std::string(kFileHeader) + "[-HKEY_CURRENT_USER\\Software]\r\n");
    char szData[8] = {};
    DWORD cbData = sizeof szData;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hKey, "v", nullptr, nullptr,
                                              reinterpret_cast<LPBYTE>(szData), &cbData));
    EXPECT_STREQ("old", szData);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus(kKeyPath));
    Write(std::string(kFileHeader) + kKey + "\"v\"=\"new\"\r\n");
    ExpectValue(ReadValue(kKeyPath, "v"), REG_SZ, std::string("new\0", 4));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
}

TEST_F(RegistryFileTest, QueryFollowsTheBufferProtocol) {
    Write(std::string(kFileHeader) + kKey + "\"s\"=\"hello\"\r\n\"raw\"=hex(1):61,62,63\r\n" +
          "\"bin\"=hex:61,62,63\r\n\"none\"=hex:\r\n");
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &hKey));
    const unsigned char kFill = 0xA5;
    const DWORD kNoBuffer = 0xFFFFFFFFu;
    const struct {
        const char* pszName;
        DWORD cbBuffer;
        LSTATUS lExpected;
        DWORD dwType;
        DWORD cbExpected;
        std::string strExpected;  // the buffer's first 10 bytes afterwards
    } cases[] = {
        {"s", kNoBuffer, ERROR_SUCCESS, REG_SZ, 6, std::string(10, kFill)},
        {"s", 0, ERROR_MORE_DATA, REG_SZ, 6, std::string(10, kFill)},
        {"s", 5, ERROR_MORE_DATA, REG_SZ, 6, std::string(10, kFill)},
        {"s", 6, ERROR_SUCCESS, REG_SZ, 6, std::string("hello\0", 6) + std::string(4, kFill)},
        {"s", 10, ERROR_SUCCESS, REG_SZ, 6, std::string("hello\0", 6) + std::string(4, kFill)},
        {"raw", 3, ERROR_SUCCESS, REG_SZ, 3, "abc" + std::string(7, kFill)},
        {"raw", 10, ERROR_SUCCESS, REG_SZ, 3, std::string("abc\0", 4) + std::string(6, kFill)},
        {"bin", 10, ERROR_SUCCESS, REG_BINARY, 3, "abc" + std::string(7, kFill)},
        {"none", 10, ERROR_SUCCESS, REG_BINARY, 0, std::string(10, kFill)},
        {"missing", 10, ERROR_FILE_NOT_FOUND, 0xDEAD, 10, std::string(10, kFill)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pszName << " in " << c.cbBuffer);
        std::vector<unsigned char> buffer(32, kFill);
        DWORD cbData = c.cbBuffer == kNoBuffer ? 0 : c.cbBuffer;
        DWORD dwType = 0xDEAD;
        EXPECT_EQ(c.lExpected, RegQueryValueExA(hKey, c.pszName, nullptr, &dwType,
                                                c.cbBuffer == kNoBuffer ? nullptr : buffer.data(), &cbData));
        EXPECT_EQ(c.dwType, dwType);
        if (c.lExpected != ERROR_FILE_NOT_FOUND) {
            EXPECT_EQ(c.cbExpected, cbData);
        }
        EXPECT_EQ(c.strExpected, std::string(buffer.begin(), buffer.begin() + 10));
        EXPECT_EQ(std::string(22, kFill), std::string(buffer.begin() + 10, buffer.end()));
    }

    BYTE abData[8];
    DWORD cbData = sizeof abData;
    DWORD dwReserved = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hKey, "s", nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(hKey, "s", nullptr, nullptr, abData, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExA(hKey, "s", &dwReserved, nullptr, abData, &cbData));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(nullptr, "s", nullptr, nullptr, abData, &cbData));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(reinterpret_cast<HKEY>(uintptr_t{0x80000002u}), "s",
                                                     nullptr, nullptr, abData, &cbData));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(hKey, "s", nullptr, nullptr, abData, &cbData));
}

TEST_F(RegistryFileTest, CloseTakesOnlyLiveHandles) {
    Write(std::string(kFileHeader) + kKey);
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &hKey));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(hKey));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(hKey));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(reinterpret_cast<HKEY>(uintptr_t{0x1234})));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
}

TEST_F(RegistryFileTest, FileIsFoundByEnvironment) {
    const std::string strXdg = m_strDir + "/xdg";
    const std::string strHome = m_strDir + "/home";
    ASSERT_EQ(0, std::system(("mkdir -p '" + strXdg + "/update' '" + strHome + "/.config/update'").c_str()));
    const std::string strExplicit = m_strDir + "/explicit.reg";
    for (const auto& file : {std::make_pair(strExplicit, "explicit"),
                             std::make_pair(strXdg + "/update/registry.reg", "xdg"),
                             std::make_pair(strHome + "/.config/update/registry.reg", "home")}) {
        WriteFile(file.first, std::string(kFileHeader) + kKey + "\"where\"=\"" + file.second + "\"\r\n");
    }
    const struct {
        const char* pszExplicit;  // null: unset
        const char* pszXdg;
        std::string strExpected;
    } cases[] = {
        {strExplicit.c_str(), strXdg.c_str(), "explicit"},
        {"", strXdg.c_str(), "xdg"},
        {nullptr, strXdg.c_str(), "xdg"},
        {nullptr, nullptr, "home"},
        {nullptr, "", "home"},
        {nullptr, "relative/xdg", "home"},
    };
    setenv("HOME", strHome.c_str(), 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strExpected);
        for (const auto& var : {std::make_pair("UPDATE_REGISTRY_FILE", c.pszExplicit),
                                std::make_pair("XDG_CONFIG_HOME", c.pszXdg)}) {
            if (var.second != nullptr) {
                setenv(var.first, var.second, 1);
            } else {
                unsetenv(var.first);
            }
        }
        ExpectValue(ReadValue(kKeyPath, "where"), REG_SZ, c.strExpected + '\0');
    }
    // Without HOME and the variables there is no file to read.
    unsetenv("UPDATE_REGISTRY_FILE");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, OpenStatus(kKeyPath));
}

// 表 is 95 5C: its second byte is a backslash when taken alone. ア (83 41)
// and ダ (83 61) differ only as ASCII letters differ in case.
TEST_F(RegistryFileTest, DoubleByteCharactersStayWhole) {
    if (GetACP() != 932) GTEST_SKIP() << "needs the system code page 932";
    Write(std::string(kFileHeader) +
          "[HKEY_CURRENT_USER\\Software\\\x95\x5C]\r\n"
          "\"\x95\x5C\"=\"\x95\x5C\"\r\n"
          "\"tail\"=\"\x95\x5C\\\\\"\r\n"
          "\"\x83\x41\"=\"a\"\r\n"
          "[HKEY_CURRENT_USER\\Software\\\x83\x41\\\x95\x5C\\Sub]\r\n"
          "; \x95\x5C\r\n"
          "\"afterComment\"=\"x\"\r\n");
    ExpectValue(ReadValue("Software\\\x95\x5C", "\x95\x5C"), REG_SZ, std::string("\x95\x5C\0", 3));
    ExpectValue(ReadValue("Software\\\x95\x5C", "tail"), REG_SZ, std::string("\x95\x5C\\\0", 4));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadValue("Software\\\x95\x5C", "\x83\x61").lStatus);
    EXPECT_EQ(ERROR_SUCCESS, ReadValue("Software\\\x95\x5C", "\x83\x41").lStatus);
    ExpectValue(ReadValue("Software\\\x83\x41\\\x95\x5C\\Sub", "afterComment"), REG_SZ,
                std::string("x\0", 2));
    const struct {
        const char* pszSubKey;
        LSTATUS lExpected;
    } cases[] = {
        {"Software\\\x95\x5C", ERROR_SUCCESS},
        {"Software\\\x95\x5C\\", ERROR_SUCCESS},
        {"Software\\\x95", ERROR_FILE_NOT_FOUND},
        {"Software\\\x83\x41\\\x95\x5C", ERROR_SUCCESS},
        {"Software\\\x83\x61", ERROR_FILE_NOT_FOUND},
        {"Software\\\x83\x41\\\x95", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszSubKey);
        EXPECT_EQ(c.lExpected, OpenStatus(c.pszSubKey));
    }
}

// Every cut of a file, as a write broken off would leave it, reads without
// fault; the complete file reads in full.
TEST_F(RegistryFileTest, TruncatedFilesReadSafely) {
    const std::string strText = std::string(kFileHeader) + kKey +
                                "\"s\"=\"a\\\\b\\\"c\"\r\n\"d\"=dword:0000002a\r\n"
                                "\"b\"=hex(2):25,54,\\\r\n  45,4d,50,25,00\r\n@=\"\xE0\"\r\n"
                                "[-HKEY_CURRENT_USER\\Software\\Vendor\\Product\\Sub]\r\n";
    for (size_t n = 0; n <= strText.size(); ++n) {
        SCOPED_TRACE(n);
        Write(strText.substr(0, n));
        for (const char* pszName : {"s", "d", "b", ""}) {
            const LSTATUS lStatus = ReadValue(kKeyPath, pszName).lStatus;
            EXPECT_TRUE(lStatus == ERROR_SUCCESS || lStatus == ERROR_FILE_NOT_FOUND) << lStatus;
        }
    }
    ExpectValue(ReadValue(kKeyPath, "s"), REG_SZ, std::string("a\\b\"c\0", 6));
    ExpectValue(ReadValue(kKeyPath, "d"), REG_DWORD, std::string("\x2a\0\0\0", 4));
    ExpectValue(ReadValue(kKeyPath, "b"), REG_EXPAND_SZ, std::string("%TEMP%\0", 7));
    ExpectValue(ReadValue(kKeyPath, ""), REG_SZ, std::string("\xE0\0", 2));
}

}  // namespace
