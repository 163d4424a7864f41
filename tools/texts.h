// Texts of the tool: code page 932 bytes shown in UTF-8, JSON strings, hex,
// and the byte rules of code page 932 that names and paths follow.
#pragma once

#include <cstddef>
#include <string>

// strCp932 in UTF-8 for showing: each byte that starts no code page 932
// character, and each control byte, becomes \xNN. *pbExact is false when
// any byte was shown so.
std::string ShowCp932(const std::string& strCp932, bool* pbExact = nullptr);

// A file system name in UTF-8 for showing; bytes that are not UTF-8, and
// control bytes, become \xNN.
std::string ShowUtf8(const std::string& strBytes);

// The characters of strUtf8 with no code page 932 form, each with its code
// point, e.g. "丂 (U+4E02), 😀 (U+1F600)".
std::string CharactersOutsideCp932(const std::string& strUtf8);

// A JSON string literal, quotes included, of UTF-8 text.
std::string JsonString(const std::string& strUtf8);

// "1 entry", "2 entries".
std::string Counted(size_t n, const char* pszOne, const char* pszMany);

std::string HexBytes(const void* pData, size_t n);
bool AllZero(const void* pData, size_t n);

// Length of the code page 932 character at strCp932[i]: 2 for a lead byte
// followed by a trail byte, else 1.
size_t Cp932CharLength(const std::string& strCp932, size_t i);

// ASCII letters in lower case where they are characters of their own, as
// Windows matches names; bytes of double-byte characters stay as they are.
std::string FoldCp932Case(const std::string& strCp932);

// Whether the last character is double-byte with 0x5C (a backslash byte) as
// its second byte, as in 表 (0x95 0x5C).
bool EndsWithTrailBackslash(const std::string& strCp932);

// Offset just past the last separator (a backslash of its own) before
// nEnd, or 0 when there is none.
size_t AfterLastSeparator(const std::string& strCp932, size_t nEnd);
