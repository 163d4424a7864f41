// Bounded formatting of the program's texts into fixed buffers.
#pragma once

#include <cstddef>

// Writes pszFormat with its one %s replaced by pszArg into pszOut of nSize
// bytes, never past its end; false when the text had to be cut to fit.
bool FormatText(char* pszOut, size_t nSize, const char* pszFormat, const char* pszArg);
