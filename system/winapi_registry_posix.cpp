// The registry over POSIX: HKEY_CURRENT_USER, read from a text file in the
// REGEDIT4 format, so that the same file can be imported into Windows or Wine
// with regedit.
//
// The file is $UPDATE_REGISTRY_FILE; when that is unset or empty it is
// $XDG_CONFIG_HOME/update/registry.reg, with XDG_CONFIG_HOME defaulting to
// $HOME/.config. It is a POSIX path, opened as it is. Like any REGEDIT4 file
// it holds bytes in the system code page: key names, value names and string
// data are kept as those bytes. Names compare without regard to the case of
// ASCII letters; the trail byte of a double-byte character is part of it,
// never a backslash or a letter of its own. A missing or unreadable file, or
// one whose first line is not REGEDIT4, holds no keys.
//
// The file is read afresh at every open, and a handle keeps the key's values
// as they were then. Nothing here writes the file; write rights are refused
// when it is read-only, judged by the owner's write bit, as root may write
// to any file.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "codepage.h"
#include "winapi.h"

namespace {

const DWORD kRegMultiSz = 7;
const DWORD kGenericAll = 0x10000000u;
// What RegOpenKeyExA may ask beyond reading.
const REGSAM kWriteRights = (KEY_ALL_ACCESS & ~KEY_READ) | GENERIC_WRITE | kGenericAll;

const char kRootName[] = "HKEY_CURRENT_USER";

struct RegValue {
    std::string strName;  // "" for the default value
    DWORD dwType;
    std::string strData;
};

// A key: its names below HKEY_CURRENT_USER (none for that key itself) and its
// values. An open handle points to one of these.
struct RegKey {
    std::vector<std::string> path;
    std::vector<RegValue> values;
};

// Handles returned by RegOpenKeyExA and not yet closed.
std::set<RegKey*> g_liveKeys;

// ---- names in the system code page ----


char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(const CodePageBytes& cp, const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size();) {
        const size_t n = CharLengthAt(cp, a, i);
        if (n == 2 ? a.compare(i, 2, b, i, 2) != 0 : FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        i += n;
    }
    return true;
}

// "A\B\" -> {"A", "B"}: one trailing backslash is dropped, "" is no names.
std::vector<std::string> SplitKeyPath(const CodePageBytes& cp, const std::string& str) {
    std::vector<std::string> names(1);
    for (size_t i = 0; i < str.size();) {
        const size_t n = CharLengthAt(cp, str, i);
        if (n == 1 && str[i] == '\\') {
            names.emplace_back();
        } else {
            names.back().append(str, i, n);
        }
        i += n;
    }
    if (names.back().empty()) names.pop_back();
    return names;
}

// True when path is at or, with bBelowToo, below top.
bool IsWithin(const CodePageBytes& cp, const std::vector<std::string>& top,
              const std::vector<std::string>& path, bool bBelowToo) {
    if (path.size() < top.size() || (!bBelowToo && path.size() != top.size())) return false;
    for (size_t i = 0; i < top.size(); ++i) {
        if (!SameName(cp, top[i], path[i])) return false;
    }
    return true;
}

// ---- the file ----

std::string RegistryFilePath() {
    const char* psz = std::getenv("UPDATE_REGISTRY_FILE");
    if (psz != nullptr && psz[0] != '\0') return psz;
    std::string strConfig;
    psz = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is to be ignored.
    if (psz != nullptr && psz[0] == '/') {
        strConfig = psz;
    } else {
        psz = std::getenv("HOME");
        if (psz == nullptr || psz[0] == '\0') return "";
        strConfig = std::string(psz) + "/.config";
    }
    return strConfig + "/update/registry.reg";
}

struct RegistryFile {
    std::vector<RegKey> keys;
    bool bReadOnly = false;
};

// Reads the whole file; false, with strText empty, when it cannot be read.
bool ReadWholeFile(const std::string& strPath, std::string& strText) {
    strText.clear();
    if (strPath.empty()) return false;
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            strText.clear();
            close(fd);
            return false;
        }
        if (n == 0) break;
        strText.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return true;
}

// ---- parser ----
// Lines are trimmed of surrounding blanks and CR. Comment lines start with
// ';'. A section header [HKEY_CURRENT_USER\...] names a key, [-...] deletes
// a key with its subkeys; sections of other roots are skipped. Value lines:
//   "name" or @  =  "string" | dword:XXXXXXXX | hex:bb,bb,... | hex(T):bb,...  | -
// where hex lists continue over lines ending with '\'. A line that does not
// parse is skipped.

class Parser {
public:
    Parser(const CodePageBytes& cp, const std::string& strText) : m_cp(cp), m_strText(strText) {}

    std::vector<RegKey> Parse() {
        std::vector<RegKey> keys;
        std::string strLine;
        if (!NextLine(strLine) || strLine != "REGEDIT4") return keys;
        while (NextLine(strLine)) {
            if (strLine.empty() || strLine[0] == ';') continue;
            if (strLine[0] == '[') {
                OnSection(keys, strLine);
            } else if (strLine[0] == '"' || strLine[0] == '@') {
                OnValue(keys, strLine);
            }
        }
        return keys;
    }

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

    static int HexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    // Up to nMaxDigits hex digits making all of str.
    static bool ParseHexNumber(const std::string& str, size_t nMaxDigits, DWORD& dwValue) {
        if (str.empty() || str.size() > nMaxDigits) return false;
        dwValue = 0;
        for (char c : str) {
            const int n = HexDigit(c);
            if (n < 0) return false;
            dwValue = (dwValue << 4) | static_cast<DWORD>(n);
        }
        return true;
    }

    static std::string Trim(const std::string& str) {
        size_t nBegin = 0;
        size_t nEnd = str.size();
        while (nBegin < nEnd && IsBlank(str[nBegin])) ++nBegin;
        while (nEnd > nBegin && IsBlank(str[nEnd - 1])) --nEnd;
        return str.substr(nBegin, nEnd - nBegin);
    }

    bool NextLine(std::string& strLine) {
        if (m_nPos >= m_strText.size()) return false;
        size_t nEnd = m_strText.find('\n', m_nPos);
        if (nEnd == std::string::npos) nEnd = m_strText.size();
        strLine = Trim(m_strText.substr(m_nPos, nEnd - m_nPos));
        m_nPos = nEnd + 1;
        return true;
    }

    // A "..." string from str[i] (the opening quote); \\ and \" are escapes,
    // any other backslash stands for itself. i ends past the closing quote.
    bool ParseQuoted(const std::string& str, size_t& i, std::string& strOut) const {
        strOut.clear();
        if (i >= str.size() || str[i] != '"') return false;
        ++i;
        while (i < str.size()) {
            const size_t n = CharLengthAt(m_cp, str, i);
            if (n == 2) {
                strOut.append(str, i, 2);
            } else if (str[i] == '"') {
                ++i;
                return true;
            } else if (str[i] == '\\' && i + 1 < str.size() && (str[i + 1] == '\\' || str[i + 1] == '"')) {
                strOut += str[i + 1];
                ++i;
            } else {
                strOut += str[i];
            }
            i += n;
        }
        return false;
    }

    static bool ParseHexList(const std::string& str, std::string& strBytes) {
        strBytes.clear();
        size_t i = 0;
        while (i < str.size()) {
            size_t nComma = str.find(',', i);
            const bool bLast = nComma == std::string::npos;
            if (bLast) nComma = str.size();
            const std::string strItem = Trim(str.substr(i, nComma - i));
            // A comma may end the list, as before a continued line that never came.
            if (strItem.empty() && bLast && i > 0) break;
            DWORD dwByte = 0;
            if (!ParseHexNumber(strItem, 2, dwByte)) return false;
            strBytes += static_cast<char>(dwByte);
            i = nComma + 1;
        }
        return true;
    }

    bool ParseData(const std::string& str, DWORD& dwType, std::string& strData) const {
        if (!str.empty() && str[0] == '"') {
            size_t i = 0;
            if (!ParseQuoted(str, i, strData) || i != str.size()) return false;
            dwType = REG_SZ;
            strData += '\0';
            return true;
        }
        if (str.compare(0, 6, "dword:") == 0) {
            DWORD dwValue = 0;
            if (!ParseHexNumber(str.substr(6), 8, dwValue)) return false;
            dwType = REG_DWORD;
            strData.clear();
            for (int n = 0; n < 4; ++n) strData += static_cast<char>((dwValue >> (8 * n)) & 0xFF);
            return true;
        }
        if (str.compare(0, 4, "hex:") == 0) {
            dwType = REG_BINARY;
            return ParseHexList(str.substr(4), strData);
        }
        if (str.compare(0, 4, "hex(") == 0) {
            const size_t nClose = str.find("):", 4);
            if (nClose == std::string::npos || !ParseHexNumber(str.substr(4, nClose - 4), 8, dwType)) {
                return false;
            }
            return ParseHexList(str.substr(nClose + 2), strData);
        }
        return false;
    }

    void OnSection(std::vector<RegKey>& keys, const std::string& strLine) {
        m_nCurrent = kNoKey;
        if (strLine.size() < 2 || strLine.back() != ']') return;
        std::string strName = strLine.substr(1, strLine.size() - 2);
        const bool bDelete = !strName.empty() && strName[0] == '-';
        if (bDelete) strName.erase(0, 1);
        std::vector<std::string> path = SplitKeyPath(m_cp, strName);
        if (path.empty() || !SameName(m_cp, path[0], kRootName)) return;
        path.erase(path.begin());
        if (bDelete) {
            for (size_t n = keys.size(); n-- > 0;) {
                if (IsWithin(m_cp, path, keys[n].path, true)) keys.erase(keys.begin() + n);
            }
            return;
        }
        for (size_t n = 0; n < keys.size(); ++n) {
            if (IsWithin(m_cp, path, keys[n].path, false)) {
                m_nCurrent = n;
                return;
            }
        }
        keys.push_back(RegKey{path, {}});
        m_nCurrent = keys.size() - 1;
    }

    void OnValue(std::vector<RegKey>& keys, const std::string& strLine) {
        size_t i = 0;
        std::string strName;
        if (strLine[0] == '@') {
            i = 1;
        } else if (!ParseQuoted(strLine, i, strName)) {
            return;
        }
        while (i < strLine.size() && IsBlank(strLine[i])) ++i;
        if (i >= strLine.size() || strLine[i] != '=') return;
        std::string strData = Trim(strLine.substr(i + 1));
        // Continued lines belong to this value even when it is then dropped.
        while (strData.compare(0, 3, "hex") == 0 && strData.back() == '\\') {
            strData.pop_back();
            std::string strMore;
            if (!NextLine(strMore)) break;
            strData += strMore;
        }
        if (m_nCurrent == kNoKey) return;
        std::vector<RegValue>& values = keys[m_nCurrent].values;
        size_t nAt = 0;
        while (nAt < values.size() && !SameName(m_cp, values[nAt].strName, strName)) ++nAt;
        if (strData == "-") {
            if (nAt < values.size()) values.erase(values.begin() + nAt);
            return;
        }
        RegValue value{strName, REG_NONE, {}};
        if (!ParseData(strData, value.dwType, value.strData)) return;
        if (nAt < values.size()) {
            values[nAt] = value;
        } else {
            values.push_back(value);
        }
    }

    static constexpr size_t kNoKey = static_cast<size_t>(-1);

    const CodePageBytes& m_cp;
    const std::string& m_strText;
    size_t m_nPos = 0;
    size_t m_nCurrent = kNoKey;  // key that value lines go to
};

RegistryFile LoadRegistryFile(const CodePageBytes& cp) {
    RegistryFile file;
    const std::string strPath = RegistryFilePath();
    std::string strText;
    if (!ReadWholeFile(strPath, strText)) return file;
    struct stat st;
    file.bReadOnly = stat(strPath.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
    file.keys = Parser(cp, strText).Parse();
    return file;
}

// ---- handles ----

CodePageBytes SystemBytes() {
    CodePageBytes cp;
    DescribeCodePage(GetACP(), cp);
    return cp;
}

RegKey* KeyOf(HKEY hKey) {
    RegKey* pKey = reinterpret_cast<RegKey*>(hKey);
    return g_liveKeys.count(pKey) != 0 ? pKey : nullptr;
}

// Roots that Windows has but this registry does not.
bool IsOtherPredefinedRoot(HKEY hKey) {
    const uintptr_t n = reinterpret_cast<uintptr_t>(hKey);
    return (n >= 0x80000000u && n <= 0x80000006u) || n == 0x80000050u || n == 0x80000060u;
}

}  // namespace

// On failure *phkResult is null and no handle is made.
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR pszSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::vector<std::string> path;
    if (RegKey* pParent = KeyOf(hKey)) {
        path = pParent->path;
    } else if (hKey != HKEY_CURRENT_USER) {
        return IsOtherPredefinedRoot(hKey) ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE;
    }
    const CodePageBytes cp = SystemBytes();
    for (std::string& strName : SplitKeyPath(cp, pszSubKey != nullptr ? pszSubKey : "")) {
        path.push_back(std::move(strName));
    }

    const RegistryFile file = LoadRegistryFile(cp);
    const RegKey* pFound = nullptr;
    bool bExists = path.empty();
    for (const RegKey& key : file.keys) {
        if (IsWithin(cp, path, key.path, false)) pFound = &key;
        if (IsWithin(cp, path, key.path, true)) bExists = true;
    }
    if (!bExists) return ERROR_FILE_NOT_FOUND;
    if ((samDesired & kWriteRights) != 0 && file.bReadOnly) return ERROR_ACCESS_DENIED;

    // The root itself is opened as its own handle, as on Windows.
    if (hKey == HKEY_CURRENT_USER && path.empty()) {
        *phkResult = HKEY_CURRENT_USER;
        return ERROR_SUCCESS;
    }
    RegKey* pKey = new RegKey{path, pFound != nullptr ? pFound->values : std::vector<RegValue>()};
    g_liveKeys.insert(pKey);
    *phkResult = reinterpret_cast<HKEY>(pKey);
    return ERROR_SUCCESS;
}

// On failure nothing is written to pData; ERROR_MORE_DATA still gives the
// type and the size needed.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR pszValueName, LPDWORD pdwReserved, LPDWORD pdwType,
                         LPBYTE pData, LPDWORD pcbData) {
    const CodePageBytes cp = SystemBytes();
    std::vector<RegValue> rootValues;
    const std::vector<RegValue>* pValues = nullptr;
    if (const RegKey* pKey = KeyOf(hKey)) {
        pValues = &pKey->values;
    } else if (hKey == HKEY_CURRENT_USER) {
        // The predefined handle is never stale: it reads the file now.
        for (RegKey& key : LoadRegistryFile(cp).keys) {
            if (key.path.empty()) rootValues = std::move(key.values);
        }
        pValues = &rootValues;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    if (pdwReserved != nullptr || (pData != nullptr && pcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }

    const std::string strName = pszValueName != nullptr ? pszValueName : "";
    const RegValue* pValue = nullptr;
    for (const RegValue& value : *pValues) {
        if (SameName(cp, value.strName, strName)) pValue = &value;
    }
    if (pValue == nullptr) return ERROR_FILE_NOT_FOUND;

    if (pdwType != nullptr) *pdwType = pValue->dwType;
    const DWORD cbSize = static_cast<DWORD>(pValue->strData.size());
    if (pData == nullptr) {
        if (pcbData != nullptr) *pcbData = cbSize;
        return ERROR_SUCCESS;
    }
    if (cbSize > *pcbData) {
        *pcbData = cbSize;
        return ERROR_MORE_DATA;
    }
    if (cbSize > 0) std::memcpy(pData, pValue->strData.data(), cbSize);
    // Like Windows, a string stored without its terminator gets one when
    // there is room, though the size reported does not count it.
    const bool bString = pValue->dwType == REG_SZ || pValue->dwType == REG_EXPAND_SZ ||
                         pValue->dwType == kRegMultiSz;
    if (bString && cbSize > 0 && cbSize < *pcbData && pData[cbSize - 1] != '\0') pData[cbSize] = '\0';
    *pcbData = cbSize;
    return ERROR_SUCCESS;
}

// A handle that is not open is left alone: ERROR_INVALID_HANDLE.
LSTATUS RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    RegKey* pKey = KeyOf(hKey);
    if (pKey == nullptr) return ERROR_INVALID_HANDLE;
    g_liveKeys.erase(pKey);
    delete pKey;
    return ERROR_SUCCESS;
}
