// TestRegistryKey over our POSIX services: every key of the test process is
// a section of one REGEDIT4 file under the temporary folder, which
// UPDATE_REGISTRY_FILE names; the file is removed when the process exits.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "codepage.h"
#include "support/registry_fixture.h"

namespace {

const char kHeader[] = "REGEDIT4\r\n";

// Kept to the end of the process, for the exit handler.
const std::string* g_pFile = nullptr;

void RemoveRegistryFile() { std::remove(g_pFile->c_str()); }

// The file, named again in UPDATE_REGISTRY_FILE on every use, since a test
// may point the services at a file of its own for a while.
const std::string& RegistryFile() {
    if (g_pFile == nullptr) {
        const char* pszTmp = std::getenv("TMPDIR");
        const std::string strDir = (pszTmp != nullptr && pszTmp[0] == '/') ? pszTmp : "/tmp";
        g_pFile = new std::string(strDir + "/update-registry-test-" + std::to_string(getpid()) + ".reg");
        std::atexit(RemoveRegistryFile);
    }
    setenv("UPDATE_REGISTRY_FILE", g_pFile->c_str(), 1);
    return *g_pFile;
}

std::string ReadText(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}


// "..." with \ and " escaped; the trail byte of a double-byte character is
// part of it and is never escaped, as the file's readers walk characters.
std::string Quote(const std::string& strBytes) {
    CodePageBytes cp;
    DescribeCodePage(GetACP(), cp);
    std::string strOut = "\"";
    for (size_t i = 0; i < strBytes.size();) {
        const size_t n = CharLengthAt(cp, strBytes, i);
        if (n == 1 && (strBytes[i] == '\\' || strBytes[i] == '"')) strOut += '\\';
        strOut.append(strBytes, i, n);
        i += n;
    }
    return strOut + "\"";
}

// A string that the quoted form can carry: one terminator, at the end, and no line breaks.
bool IsQuotable(const std::string& strData) {
    return !strData.empty() && strData.find('\0') == strData.size() - 1 &&
           strData.find_first_of("\r\n") == std::string::npos;
}

// Hex lists are wrapped as regedit wraps them, so reading them back goes
// through continued lines.
std::string HexList(std::string strLine, const std::string& strData) {
    std::string strOut;
    for (size_t i = 0; i < strData.size(); ++i) {
        char szByte[4];
        std::snprintf(szByte, sizeof szByte, "%02x", static_cast<unsigned char>(strData[i]));
        std::string strPiece = szByte;
        if (i + 1 < strData.size()) strPiece += ',';
        if (strLine.size() + strPiece.size() > 76) {
            strOut += strLine + "\\\r\n";
            strLine = "  ";
        }
        strLine += strPiece;
    }
    return strOut + strLine;
}

}  // namespace

TestRegistryKey::TestRegistryKey(const std::string& strNameEnd) {
    static unsigned s_nCounter = 0;
    m_strSubKey = "Software\\UpdateTests\\" + std::to_string(getpid()) + "-" +
                  std::to_string(++s_nCounter) + strNameEnd;
    WriteSection(true);
}

TestRegistryKey::~TestRegistryKey() {
    chmod(RegistryFile().c_str(), 0644);
    WriteSection(false);
}

void TestRegistryKey::Set(const std::string& strName, DWORD dwType, const std::string& strData) {
    for (Value& value : m_values) {
        if (value.strName == strName) {
            value = Value{strName, dwType, strData};
            WriteSection(true);
            return;
        }
    }
    m_values.push_back(Value{strName, dwType, strData});
    WriteSection(true);
}

void TestRegistryKey::MakeReadOnly() {
    if (chmod(RegistryFile().c_str(), 0444) != 0) ADD_FAILURE() << "chmod " << RegistryFile();
    m_bReadOnly = true;
}

// Rewrites the file without this key's section and, with bKeep, appends
// the section as the key now is.
void TestRegistryKey::WriteSection(bool bKeep) {
    const std::string& strFile = RegistryFile();
    const std::string strHeader = "[HKEY_CURRENT_USER\\" + m_strSubKey + "]";
    std::string strOld = ReadText(strFile);
    if (strOld.compare(0, sizeof kHeader - 1, kHeader) != 0) strOld = kHeader;

    std::string strText;
    bool bOurs = false;
    size_t nPos = 0;
    while (nPos < strOld.size()) {
        size_t nEnd = strOld.find('\n', nPos);
        nEnd = nEnd == std::string::npos ? strOld.size() : nEnd + 1;
        const std::string strLine = strOld.substr(nPos, nEnd - nPos);
        nPos = nEnd;
        if (strLine[0] == '[') bOurs = strLine.compare(0, strHeader.size() + 1, strHeader + "\r") == 0;
        if (!bOurs) strText += strLine;
    }

    // One blank line between sections, however often they are rewritten.
    while (strText.size() > 4 && strText.compare(strText.size() - 4, 4, "\r\n\r\n") == 0) {
        strText.resize(strText.size() - 2);
    }
    if (bKeep) {
        strText += "\r\n" + strHeader + "\r\n";
        for (const Value& value : m_values) {
            std::string strLine = (value.strName.empty() ? "@" : Quote(value.strName)) + "=";
            if (value.dwType == REG_SZ && IsQuotable(value.strData)) {
                strLine += Quote(value.strData.substr(0, value.strData.size() - 1));
            } else if (value.dwType == REG_DWORD && value.strData.size() == 4) {
                char szValue[16];
                uint32_t nValue = 0;
                for (int n = 3; n >= 0; --n) nValue = (nValue << 8) | static_cast<unsigned char>(value.strData[n]);
                std::snprintf(szValue, sizeof szValue, "dword:%08x", nValue);
                strLine += szValue;
            } else {
                char szType[16];
                std::snprintf(szType, sizeof szType, "hex(%x):", static_cast<unsigned>(value.dwType));
                strLine = HexList(strLine + (value.dwType == REG_BINARY ? "hex:" : szType), value.strData);
            }
            strText += strLine + "\r\n";
        }
    }

    std::ofstream out(strFile, std::ios::binary | std::ios::trunc);
    out << strText;
    out.close();
    if (!out) ADD_FAILURE() << "cannot write the registry file " << strFile;
}
