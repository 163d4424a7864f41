// Names (one path component, code page 932 bytes) that Windows, or the
// program's own reading of paths, would not keep as they are.
#pragma once

#include <string>

// Why strName cannot name a file or folder the program creates, or nullptr
// when it can. Colons and names of dots are left to CheckUpdatePath.
const char* WindowsNameProblem(const std::string& strName);
