#include "texts.h"

#include <cstdint>
#include <cstdio>

#include "codepage.h"
#include "cp932_text.h"

namespace {

// Code page 932 classes whatever the active code page is.
const CodePageBytes& Cp932() {
    static const CodePageBytes bytes = [] {
        CodePageBytes b;
        DescribeCodePage(932, b);
        return b;
    }();
    return bytes;
}

bool IsControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

void AppendEscape(std::string& strOut, unsigned char b) {
    char sz[8];
    std::snprintf(sz, sizeof sz, "\\x%02X", b);
    strOut += sz;
}

// Length of the UTF-8 sequence at i, or 0 when the bytes there are no valid
// UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
size_t Utf8SequenceLength(const std::string& str, size_t i, uint32_t* pnCodePoint) {
    const unsigned char b0 = static_cast<unsigned char>(str[i]);
    size_t n;
    uint32_t c;
    uint32_t nMin;
    if (b0 < 0x80) {
        if (pnCodePoint != nullptr) *pnCodePoint = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 2, c = b0 & 0x1F, nMin = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3, c = b0 & 0x0F, nMin = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4, c = b0 & 0x07, nMin = 0x10000;
    } else {
        return 0;
    }
    if (i + n > str.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char b = static_cast<unsigned char>(str[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < nMin || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    if (pnCodePoint != nullptr) *pnCodePoint = c;
    return n;
}

}  // namespace

size_t Cp932CharLength(const std::string& strCp932, size_t i) {
    const CodePageBytes& cp = Cp932();
    const unsigned char b = static_cast<unsigned char>(strCp932[i]);
    if ((cp.abClass[b] & BYTE_CLASS_LEAD) && i + 1 < strCp932.size() &&
        (cp.abClass[static_cast<unsigned char>(strCp932[i + 1])] & BYTE_CLASS_TRAIL)) {
        return 2;
    }
    return 1;
}

namespace {

// Whether the character of n bytes at strCp932[i] may be one: the byte
// classes decide that the same way on every system; the converter then
// knows which of those are assigned.
bool IsCandidate(const std::string& strCp932, size_t i, size_t n) {
    const unsigned char b = static_cast<unsigned char>(strCp932[i]);
    return !IsControl(b) && (b < 0x80 || n == 2 || (Cp932().abClass[b] & BYTE_CLASS_SINGLE));
}

}  // namespace

std::string ShowCp932(const std::string& strCp932, bool* pbExact) {
    std::string strOut;
    // Most texts convert whole; only one that does not is taken apart.
    bool bCandidates = true;
    for (size_t i = 0; i < strCp932.size() && bCandidates; i += Cp932CharLength(strCp932, i)) {
        bCandidates = IsCandidate(strCp932, i, Cp932CharLength(strCp932, i));
    }
    if (bCandidates && Cp932ToUtf8(strCp932, strOut)) {
        if (pbExact != nullptr) *pbExact = true;
        return strOut;
    }
    strOut.clear();
    bool bExact = true;
    size_t i = 0;
    while (i < strCp932.size()) {
        const unsigned char b = static_cast<unsigned char>(strCp932[i]);
        const size_t n = Cp932CharLength(strCp932, i);
        std::string strChar;
        if (IsCandidate(strCp932, i, n) && Cp932ToUtf8(strCp932.substr(i, n), strChar)) {
            strOut += strChar;
            i += n;
        } else {
            // Only the first byte is spent: the next may start a character.
            AppendEscape(strOut, b);
            bExact = false;
            ++i;
        }
    }
    if (pbExact != nullptr) *pbExact = bExact;
    return strOut;
}

std::string ShowUtf8(const std::string& strBytes) {
    std::string strOut;
    size_t i = 0;
    while (i < strBytes.size()) {
        const unsigned char b = static_cast<unsigned char>(strBytes[i]);
        const size_t n = Utf8SequenceLength(strBytes, i, nullptr);
        if (n == 0 || IsControl(b)) {
            AppendEscape(strOut, b);
            ++i;
        } else {
            strOut.append(strBytes, i, n);
            i += n;
        }
    }
    return strOut;
}

std::string CharactersOutsideCp932(const std::string& strUtf8) {
    std::string strOut;
    size_t i = 0;
    while (i < strUtf8.size()) {
        uint32_t nCodePoint = 0;
        const size_t n = Utf8SequenceLength(strUtf8, i, &nCodePoint);
        std::string strItem;
        std::string strBytes;
        if (n == 0) {
            AppendEscape(strItem, static_cast<unsigned char>(strUtf8[i]));
            strItem += " (not UTF-8)";
            ++i;
        } else {
            const std::string strChar = strUtf8.substr(i, n);
            i += n;
            if (Utf8ToCp932(strChar, strBytes)) continue;
            char sz[16];
            std::snprintf(sz, sizeof sz, " (U+%04X)", static_cast<unsigned>(nCodePoint));
            strItem = (IsControl(static_cast<unsigned char>(strChar[0])) ? std::string() : strChar) + sz;
        }
        if (!strOut.empty()) strOut += ", ";
        strOut += strItem;
    }
    return strOut;
}

std::string JsonString(const std::string& strUtf8) {
    std::string strOut = "\"";
    for (char c : strUtf8) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            strOut += '\\';
            strOut += c;
        } else if (b < 0x20 || b == 0x7F) {
            char sz[8];
            std::snprintf(sz, sizeof sz, "\\u%04x", b);
            strOut += sz;
        } else {
            strOut += c;
        }
    }
    return strOut + "\"";
}

std::string Counted(size_t n, const char* pszOne, const char* pszMany) {
    return std::to_string(n) + " " + (n == 1 ? pszOne : pszMany);
}

std::string HexBytes(const void* pData, size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    const unsigned char* p = static_cast<const unsigned char*>(pData);
    std::string strOut;
    strOut.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        strOut += kDigits[p[i] >> 4];
        strOut += kDigits[p[i] & 0x0F];
    }
    return strOut;
}

bool AllZero(const void* pData, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(pData);
    for (size_t i = 0; i < n; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

std::string FoldCp932Case(const std::string& strCp932) {
    std::string strOut = strCp932;
    size_t i = 0;
    while (i < strOut.size()) {
        const size_t n = Cp932CharLength(strOut, i);
        if (n == 1 && strOut[i] >= 'A' && strOut[i] <= 'Z') strOut[i] = static_cast<char>(strOut[i] - 'A' + 'a');
        i += n;
    }
    return strOut;
}

bool EndsWithTrailBackslash(const std::string& strCp932) {
    size_t i = 0;
    size_t nLast = 0;
    while (i < strCp932.size()) {
        nLast = Cp932CharLength(strCp932, i);
        i += nLast;
    }
    return nLast == 2 && strCp932.back() == '\\';
}

size_t AfterLastSeparator(const std::string& strCp932, size_t nEnd) {
    size_t nAfter = 0;
    size_t i = 0;
    while (i < nEnd && i < strCp932.size()) {
        const size_t n = Cp932CharLength(strCp932, i);
        if (n == 1 && strCp932[i] == '\\') nAfter = i + 1;
        i += n;
    }
    return nAfter;
}
