// Conversion between Windows-form paths in the system code page and the
// file system's UTF-8 paths, for the POSIX implementation of the services.
#pragma once

#include <string>

#include "winapi.h"

// Code page bytes -> UTF-8; a backslash that is a character of its own
// becomes '/', a leading drive ("C:") is dropped since every drive maps to
// the file system's root. False, with the last error set, when the name has
// bytes the code page cannot convert.
bool ToNativePath(LPCSTR pszPath, std::string& strNative);

// UTF-8 -> code page bytes with backslash separators; false when the name
// cannot be represented in the code page.
bool FromNativePath(const std::string& strNative, std::string& strPath);

// Text in the system code page -> UTF-8, for showing it on a terminal;
// unconvertible bytes make it false.
bool CodePageToUtf8(const std::string& strText, std::string& strUtf8);

// The system code page for a locale name such as "ja_JP.UTF-8", as Wine
// derives it; 932 when the name gives no language ("", "C", "POSIX").
UINT CodePageOfLocale(const char* pszLocale);

// Makes GetModuleFileNameA report strNativePath instead of this executable,
// so a test can run the program as if it lay in another folder; an empty
// path restores the real one.
void OverrideModuleFileName(const std::string& strNativePath);

// The Windows error code for an errno value.
DWORD ErrorFromErrno(int nErrno);
