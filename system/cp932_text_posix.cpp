// Code page 932 <-> UTF-8 with iconv.
#include "cp932_text.h"

#include <iconv.h>

namespace {

bool Convert(const char* pszTo, const char* pszFrom, const std::string& strIn, std::string& strOut) {
    iconv_t cd = iconv_open(pszTo, pszFrom);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    // Either way a character grows to at most three bytes.
    std::string strBuffer(strIn.size() * 3 + 4, '\0');
    char* pIn = const_cast<char*>(strIn.data());
    size_t nIn = strIn.size();
    char* pOut = &strBuffer[0];
    size_t nOut = strBuffer.size();
    // A sequence cut short at the end is an error as well (iconv's EINVAL).
    const bool bOk = iconv(cd, &pIn, &nIn, &pOut, &nOut) != static_cast<size_t>(-1) && nIn == 0 &&
                     iconv(cd, nullptr, nullptr, &pOut, &nOut) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!bOk) return false;
    strBuffer.resize(strBuffer.size() - nOut);
    strOut.swap(strBuffer);
    return true;
}

}  // namespace

bool Cp932ToUtf8(const std::string& strCp932, std::string& strUtf8) {
    return Convert("UTF-8", "CP932", strCp932, strUtf8);
}

bool Utf8ToCp932(const std::string& strUtf8, std::string& strCp932) {
    std::string strBytes;
    std::string strBack;
    // iconv maps some characters one way only (the yen sign to 0x5C, U+301C to
    // 0x8160): the way back shows them.
    if (!Convert("CP932", "UTF-8", strUtf8, strBytes) || !Convert("UTF-8", "CP932", strBytes, strBack) ||
        strBack != strUtf8) {
        return false;
    }
    strCp932.swap(strBytes);
    return true;
}
