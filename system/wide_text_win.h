// UTF-8 <-> UTF-16 for the wide Windows API, the long-path form of a file
// name, and system error texts, shared by the Windows services of the tool.
#pragma once

#include <string>

#include "winapi.h"

// False on invalid input (a lone surrogate, bad UTF-8).
bool Utf8ToWide(const std::string& strUtf8, std::wstring& strWide);
bool WideToUtf8(const std::wstring& strWide, std::string& strUtf8);

// strPath made absolute, with backslashes, and in the \\?\ form when it is too
// long for MAX_PATH; empty when it cannot be converted.
std::wstring WideFileName(const std::string& strPath);

// The system's text for an error code, in UTF-8, without a final period.
std::string ErrorText(DWORD dwError);
