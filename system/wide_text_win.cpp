#include "wide_text_win.h"

#include <vector>

bool Utf8ToWide(const std::string& strUtf8, std::wstring& strWide) {
    strWide.clear();
    if (strUtf8.empty()) return true;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, strUtf8.data(),
                                      static_cast<int>(strUtf8.size()), nullptr, 0);
    if (n <= 0) return false;
    strWide.resize(static_cast<size_t>(n));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, strUtf8.data(),
                               static_cast<int>(strUtf8.size()), &strWide[0], n) == n;
}

bool WideToUtf8(const std::wstring& strWide, std::string& strUtf8) {
    strUtf8.clear();
    if (strWide.empty()) return true;
    const int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, strWide.data(),
                                      static_cast<int>(strWide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    strUtf8.resize(static_cast<size_t>(n));
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, strWide.data(),
                               static_cast<int>(strWide.size()), &strUtf8[0], n, nullptr, nullptr) == n;
}

std::wstring WideFileName(const std::string& strPath) {
    std::wstring strWide;
    if (strPath.empty() || !Utf8ToWide(strPath, strWide)) return std::wstring();
    const DWORD n = GetFullPathNameW(strWide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return std::wstring();
    std::vector<wchar_t> full(n + 1);
    const DWORD nFull = GetFullPathNameW(strWide.c_str(), n + 1, full.data(), nullptr);
    if (nFull == 0 || nFull > n) return std::wstring();
    std::wstring strFull(full.data(), nFull);
    // Below MAX_PATH less room for a "\*" or an 8.3 name, the plain form works everywhere.
    if (strFull.size() < MAX_PATH - 12 || strFull.compare(0, 4, L"\\\\?\\") == 0) return strFull;
    if (strFull.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + strFull.substr(2);
    return L"\\\\?\\" + strFull;
}

std::string ErrorText(DWORD dwError) {
    wchar_t* pszText = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, dwError, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    std::wstring strWide;
    if (n > 0 && pszText != nullptr) strWide.assign(pszText, n);
    if (pszText != nullptr) LocalFree(pszText);
    while (!strWide.empty() && (strWide.back() == L'\r' || strWide.back() == L'\n' ||
                                strWide.back() == L' ' || strWide.back() == L'.')) {
        strWide.pop_back();
    }
    std::string strText;
    if (strWide.empty() || !WideToUtf8(strWide, strText)) return "system error " + std::to_string(dwError);
    return strText + " (error " + std::to_string(dwError) + ")";
}
