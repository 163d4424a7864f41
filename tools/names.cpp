#include "names.h"

#include <cstring>

#include "texts.h"

namespace {

bool IsDeviceName(const std::string& strName) {
    // Windows takes these for devices with any extension and in any case.
    const std::string strBase = FoldCp932Case(strName.substr(0, strName.find('.')));
    static const char* const kDevices[] = {"con", "prn", "aux", "nul"};
    for (const char* pszDevice : kDevices) {
        if (strBase == pszDevice) return true;
    }
    return strBase.size() == 4 && (strBase.compare(0, 3, "com") == 0 || strBase.compare(0, 3, "lpt") == 0) &&
           strBase[3] >= '1' && strBase[3] <= '9';
}

}  // namespace

const char* WindowsNameProblem(const std::string& strName) {
    size_t i = 0;
    while (i < strName.size()) {
        const size_t n = Cp932CharLength(strName, i);
        if (n == 1) {
            const unsigned char b = static_cast<unsigned char>(strName[i]);
            if (b == '\\') return "the name holds a backslash, which the program takes for a folder separator";
            if (b < 0x20 || b == 0x7F || std::strchr("<>\"|?*/", b) != nullptr) {
                return "the name holds a character Windows does not allow in names (< > \" | ? * / or a control character)";
            }
        }
        i += n;
    }
    // Neither can be a trail byte, so the last byte alone tells.
    if (!strName.empty() && (strName.back() == ' ' || strName.back() == '.')) {
        return "the name ends with a space or a period, which Windows drops";
    }
    if (IsDeviceName(strName)) return "the name is a device name on Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9)";
    return nullptr;
}
