#include "format.h"

#include <cstdio>

bool FormatText(char* pszOut, size_t nSize, const char* pszFormat, const char* pszArg) {
    const int n = std::snprintf(pszOut, nSize, pszFormat, pszArg);
    return n >= 0 && static_cast<size_t>(n) < nSize;
}
