#include "path.h"

#include <cstring>

#include "codepage.h"
#include "winapi.h"

namespace {

const char kSeparator = '\\';

bool IsSeparatorAt(const char* psz, unsigned int nOffset) {
    return psz[nOffset] == kSeparator && ByteTypeAt(psz, nOffset) == BYTE_SINGLE;
}

}  // namespace

int ByteTypeAt(const char* psz, unsigned int nOffset) {
    const CodePageBytes& cp = ActiveCodePage();
    if (!cp.bDoubleByte) return BYTE_SINGLE;
    int nType = BYTE_ILLEGAL;
    for (unsigned int i = 0;; ++i) {
        const unsigned char b = static_cast<unsigned char>(psz[i]);
        if (i == nOffset && b == 0) return BYTE_ILLEGAL;
        if (nType == BYTE_LEAD) {
            nType = (cp.abClass[b] & BYTE_CLASS_TRAIL) ? BYTE_TRAIL : BYTE_ILLEGAL;
        } else if (cp.abClass[b] & BYTE_CLASS_LEAD) {
            nType = BYTE_LEAD;
        } else {
            nType = (cp.abClass[b] & BYTE_CLASS_SINGLE) ? BYTE_SINGLE : BYTE_ILLEGAL;
        }
        if (i == nOffset) return nType;
    }
}

char* ParentDirectory(char* pszDest, const char* pszSource) {
    const size_t n = std::strlen(pszSource);
    for (size_t i = n; i-- > 1;) {
        if (IsSeparatorAt(pszSource, static_cast<unsigned int>(i))) {
            std::memcpy(pszDest, pszSource, n + 1);
            pszDest[i] = '\0';
            return pszDest;
        }
    }
    pszDest[0] = '\0';
    return pszDest;
}

char* StripFileName(char* pszPath) {
    char szCopy[MAX_PATH];
    // Longer paths are cut to the buffer rather than copied past it.
    std::strncpy(szCopy, pszPath, MAX_PATH - 1);
    szCopy[MAX_PATH - 1] = '\0';
    return ParentDirectory(pszPath, szCopy);
}

char* AddTrailingBackslash(char* pszPath) {
    const size_t n = std::strlen(pszPath);
    if (n < 2) return pszPath;
    if (pszPath[n - 1] == kSeparator &&
        ByteTypeAt(pszPath, static_cast<unsigned int>(n - 1)) != BYTE_TRAIL) {
        return pszPath;
    }
    pszPath[n] = kSeparator;
    pszPath[n + 1] = '\0';
    return pszPath;
}

bool CreateDirectoryChain(const char* pszPath) {
    char szPrefix[MAX_PATH];
    unsigned int i = 0;
    for (; pszPath[i] != '\0' && i < MAX_PATH - 1; ++i) {
        if (IsSeparatorAt(pszPath, i)) {
            szPrefix[i] = '\0';
            CreateDirectoryA(szPrefix, nullptr);
        }
        szPrefix[i] = pszPath[i];
    }
    szPrefix[i] = '\0';
    CreateDirectoryA(szPrefix, nullptr);
    return true;
}
