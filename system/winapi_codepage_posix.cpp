// GetACP and GetCPInfo, and the path conversions that follow the code page.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <string>
#include <vector>

#include "codepage.h"
#include "native_path_posix.h"
#include "winapi.h"

namespace {

struct LocaleCodePage {
    const char* pszPrefix;  // language, or language_TERRITORY
    UINT nCodePage;
};

// Longer prefixes first: zh_TW must win over zh.
const LocaleCodePage kLocales[] = {
    {"zh_TW", 950}, {"zh_HK", 950}, {"zh_MO", 950}, {"zh", 936}, {"ja", 932}, {"ko", 949},
    {"th", 874},    {"cs", 1250},   {"hu", 1250},   {"pl", 1250}, {"ro", 1250}, {"sk", 1250},
    {"sl", 1250},   {"hr", 1250},   {"sq", 1250},   {"ru", 1251}, {"uk", 1251}, {"be", 1251},
    {"bg", 1251},   {"mk", 1251},   {"sr", 1251},   {"el", 1253}, {"tr", 1254}, {"az", 1254},
    {"he", 1255},   {"ar", 1256},   {"fa", 1256},   {"ur", 1256}, {"lt", 1257}, {"lv", 1257},
    {"et", 1257},   {"vi", 1258},
};

const char* LocaleName() {
    for (const char* pszVar : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* pszValue = std::getenv(pszVar);
        if (pszValue != nullptr && pszValue[0] != '\0') return pszValue;
    }
    return "";
}

}  // namespace

UINT CodePageOfLocale(const char* pszLocale) {
    if (pszLocale[0] == '\0' || std::strcmp(pszLocale, "C") == 0 ||
        std::strncmp(pszLocale, "C.", 2) == 0 || std::strcmp(pszLocale, "POSIX") == 0) {
        return 932;
    }
    for (const LocaleCodePage& entry : kLocales) {
        const size_t n = std::strlen(entry.pszPrefix);
        const char cNext = pszLocale[n];
        if (std::strncmp(pszLocale, entry.pszPrefix, n) == 0 &&
            (cNext == '\0' || cNext == '_' || cNext == '.' || cNext == '@')) {
            return entry.nCodePage;
        }
    }
    return 1252;
}

namespace {

bool IsKnownSingleByte(UINT nCodePage) {
    return nCodePage == 437 || nCodePage == 850 || nCodePage == 874 ||
           (nCodePage >= 1250 && nCodePage <= 1258) || (nCodePage >= 28591 && nCodePage <= 28605);
}

const char* IconvName(UINT nCodePage) {
    static char szName[16];
    switch (nCodePage) {
        case 950: return "BIG5";
        case 1361: return "JOHAB";
        case 65001: return "UTF-8";
        default:
            if (nCodePage >= 28591 && nCodePage <= 28605) {
                std::snprintf(szName, sizeof szName, "ISO-8859-%u", nCodePage - 28590);
            } else {
                std::snprintf(szName, sizeof szName, "CP%u", nCodePage);
            }
            return szName;
    }
}

// Opening a converter costs more than converting a path, and every file
// operation converts one: the few in use are kept open until the process ends
// (the program has one thread).
class ConverterCache {
public:
    ~ConverterCache() {
        for (const Cached& cached : m_cached) iconv_close(cached.cd);
    }
    iconv_t Get(const char* pszTo, const char* pszFrom) {
        for (const Cached& cached : m_cached) {
            if (cached.strTo == pszTo && cached.strFrom == pszFrom) return cached.cd;
        }
        iconv_t cd = iconv_open(pszTo, pszFrom);
        if (cd != reinterpret_cast<iconv_t>(-1)) m_cached.push_back(Cached{pszTo, pszFrom, cd});
        return cd;
    }

private:
    struct Cached {
        std::string strTo;
        std::string strFrom;
        iconv_t cd;
    };
    std::vector<Cached> m_cached;
};

iconv_t Converter(const char* pszTo, const char* pszFrom) {
    static ConverterCache s_cache;
    return s_cache.Get(pszTo, pszFrom);
}

bool Convert(const char* pszTo, const char* pszFrom, const std::string& strIn,
             std::string& strOut) {
    iconv_t cd = Converter(pszTo, pszFrom);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    // Back to the initial state, whatever the last conversion left.
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    strOut.assign(strIn.size() * 4 + 4, '\0');
    char* pIn = const_cast<char*>(strIn.data());
    size_t nIn = strIn.size();
    char* pOut = &strOut[0];
    size_t nOut = strOut.size();
    const bool bOk = iconv(cd, &pIn, &nIn, &pOut, &nOut) != static_cast<size_t>(-1) &&
                     iconv(cd, nullptr, nullptr, &pOut, &nOut) != static_cast<size_t>(-1);
    if (!bOk) return false;
    strOut.resize(strOut.size() - nOut);
    return true;
}

// The system code page of this process, as the services see it.
const CodePageBytes& SystemCodePage() {
    static CodePageBytes bytes = [] {
        CodePageBytes b;
        DescribeCodePage(GetACP(), b);
        return b;
    }();
    return bytes;
}

}  // namespace

UINT GetACP() {
    static const UINT nCodePage = CodePageOfLocale(LocaleName());
    return nCodePage;
}

BOOL GetCPInfo(UINT nCodePage, LPCPINFO pInfo) {
    if (nCodePage == CP_ACP) nCodePage = GetACP();
    std::memset(pInfo, 0, sizeof *pInfo);
    pInfo->DefaultChar[0] = '?';
    if (const BYTE* pRanges = BuiltInLeadByteRanges(nCodePage)) {
        pInfo->MaxCharSize = 2;
        for (int i = 0; i < MAX_LEADBYTES && pRanges[i] != 0; ++i) pInfo->LeadByte[i] = pRanges[i];
        return TRUE;
    }
    if (nCodePage == 65001) {
        pInfo->MaxCharSize = 4;
        return TRUE;
    }
    if (IsKnownSingleByte(nCodePage)) {
        pInfo->MaxCharSize = 1;
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

bool ToNativePath(LPCSTR pszPath, std::string& strNative) {
    if (pszPath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const CodePageBytes& cp = SystemCodePage();
    std::string strBytes(pszPath);
    bool bAfterLead = false;
    for (char& c : strBytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (bAfterLead && (cp.abClass[b] & BYTE_CLASS_TRAIL)) {
            bAfterLead = false;
            continue;
        }
        bAfterLead = cp.bDoubleByte && (cp.abClass[b] & BYTE_CLASS_LEAD);
        if (c == '\\') c = '/';
    }
    const unsigned char b0 = static_cast<unsigned char>(strBytes.c_str()[0]);
    if (((b0 | 0x20) >= 'a' && (b0 | 0x20) <= 'z') && strBytes.size() >= 2 && strBytes[1] == ':') {
        strBytes.erase(0, 2);
    }
    if (cp.nCodePage == 65001) {
        strNative = strBytes;
        return true;
    }
    if (!Convert("UTF-8", IconvName(cp.nCodePage), strBytes, strNative)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return true;
}

bool FromNativePath(const std::string& strNative, std::string& strPath) {
    const UINT nCodePage = SystemCodePage().nCodePage;
    if (nCodePage == 65001) {
        strPath = strNative;
    } else if (!Convert(IconvName(nCodePage), "UTF-8", strNative, strPath)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    // No code page used here has 0x2F as the second byte of a character.
    for (char& c : strPath) {
        if (c == '/') c = '\\';
    }
    return true;
}

bool CodePageToUtf8(const std::string& strText, std::string& strUtf8) {
    const UINT nCodePage = SystemCodePage().nCodePage;
    if (nCodePage == 65001) {
        strUtf8 = strText;
        return true;
    }
    return Convert("UTF-8", IconvName(nCodePage), strText, strUtf8);
}

DWORD ErrorFromErrno(int nErrno) {
    switch (nErrno) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case ENAMETOOLONG: return ERROR_INVALID_NAME;
        case EBADF: return ERROR_INVALID_HANDLE;
        case EIO: return ERROR_WRITE_FAULT;
        default: return ERROR_INVALID_PARAMETER;
    }
}
