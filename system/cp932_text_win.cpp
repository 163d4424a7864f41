// Code page 932 <-> UTF-8 through UTF-16.
#include "cp932_text.h"

#include "wide_text_win.h"

namespace {

const UINT kCodePage932 = 932;

bool Cp932ToWide(const std::string& strCp932, std::wstring& strWide) {
    strWide.clear();
    if (strCp932.empty()) return true;
    const int nIn = static_cast<int>(strCp932.size());
    const int n = MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, strCp932.data(), nIn, nullptr, 0);
    if (n <= 0) return false;
    strWide.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, strCp932.data(), nIn, &strWide[0], n) == n;
}

}  // namespace

bool Cp932ToUtf8(const std::string& strCp932, std::string& strUtf8) {
    std::wstring strWide;
    return Cp932ToWide(strCp932, strWide) && WideToUtf8(strWide, strUtf8);
}

bool Utf8ToCp932(const std::string& strUtf8, std::string& strCp932) {
    std::wstring strWide;
    if (!Utf8ToWide(strUtf8, strWide)) return false;
    if (strWide.empty()) {
        strCp932.clear();
        return true;
    }
    const int nIn = static_cast<int>(strWide.size());
    BOOL bUsedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, strWide.data(), nIn, nullptr, 0,
                                      nullptr, &bUsedDefault);
    if (n <= 0 || bUsedDefault) return false;
    std::string strBytes(static_cast<size_t>(n), '\0');
    if (WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, strWide.data(), nIn, &strBytes[0], n,
                            nullptr, &bUsedDefault) != n ||
        bUsedDefault) {
        return false;
    }
    // The way back catches a one-way mapping the flag lets through.
    std::wstring strBack;
    if (!Cp932ToWide(strBytes, strBack) || strBack != strWide) return false;
    strCp932.swap(strBytes);
    return true;
}
