#include "options.h"

#include <algorithm>
#include <cstdlib>

#include "host_files.h"
#include "texts.h"
#include "tool.h"

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& strName) {
    return std::find(names.begin(), names.end(), strName) != names.end();
}

std::string WithoutTrailingSeparators(const std::string& strPath) {
    std::string str = strPath;
    while (str.size() > 1 && IsHostSeparator(str.back())) str.pop_back();
    return str;
}

size_t LastSeparator(const std::string& strPath) {
    for (size_t i = strPath.size(); i > 0; --i) {
        if (IsHostSeparator(strPath[i - 1])) return i - 1;
    }
    return std::string::npos;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valueNames,
                      const std::vector<std::string>& flagNames, CommandLine& line, std::string& strError) {
    bool bOptions = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        if (!bOptions || strArg.size() < 2 || strArg[0] != '-') {
            line.operands.push_back(strArg);
            continue;
        }
        if (strArg == "--") {
            bOptions = false;
        } else if (strArg == "-h" || strArg == "--help") {
            line.bHelp = true;
        } else {
            const size_t nEquals = strArg.find('=');
            const std::string strName = strArg.substr(0, nEquals);
            if (Contains(valueNames, strName)) {
                std::string strValue;
                if (nEquals != std::string::npos) {
                    strValue = strArg.substr(nEquals + 1);
                } else if (i + 1 < args.size()) {
                    strValue = args[++i];
                } else {
                    strError = strName + " needs a value";
                    return false;
                }
                if (!line.values.emplace(strName, strValue).second) {
                    strError = strName + " is given twice";
                    return false;
                }
            } else if (Contains(flagNames, strName) && nEquals == std::string::npos) {
                line.flags.insert(strName);
            } else {
                strError = "unknown option " + strArg;
                return false;
            }
        }
    }
    return true;
}

bool ParseAmountMode(const std::string& strValue, AmountMode& mode) {
    if (strValue == "bytes") {
        mode = AMOUNT_BYTES;
    } else if (strValue == "kib") {
        mode = AMOUNT_KIB;
    } else if (strValue == "zero") {
        mode = AMOUNT_ZERO;
    } else {
        return false;
    }
    return true;
}

bool ParseUnsigned32(const std::string& strValue, uint32_t& nValue) {
    const bool bHex = strValue.size() > 2 && strValue[0] == '0' && (strValue[1] == 'x' || strValue[1] == 'X');
    const std::string strDigits = bHex ? strValue.substr(2) : strValue;
    if (strDigits.empty() || strDigits.size() > 10) return false;
    uint64_t n = 0;
    for (char c : strDigits) {
        int nDigit;
        if (c >= '0' && c <= '9') {
            nDigit = c - '0';
        } else if (bHex && c >= 'a' && c <= 'f') {
            nDigit = c - 'a' + 10;
        } else if (bHex && c >= 'A' && c <= 'F') {
            nDigit = c - 'A' + 10;
        } else {
            return false;
        }
        n = n * (bHex ? 16 : 10) + static_cast<uint64_t>(nDigit);
    }
    if (n > UINT32_MAX) return false;
    nValue = static_cast<uint32_t>(n);
    return true;
}

void CommandReport::Message(const std::string& strMessage) const {
    m_err << "updtool: " << m_pszCommand << ": " << strMessage << "\n";
}

int CommandReport::Fail(const std::string& strMessage) const {
    Message(strMessage);
    return TOOL_FAILED;
}

int CommandReport::UsageError(const std::string& strMessage) const {
    Message(strMessage);
    m_err << "usage: " << m_pszUsage << "\n";
    return TOOL_USAGE;
}

int CommandReport::Refuse(const std::vector<std::string>& problems) const {
    for (const std::string& strProblem : problems) Message(strProblem);
    return Fail("nothing written: " + Counted(problems.size(), "problem", "problems"));
}

std::string LastComponent(const std::string& strPath) {
    const std::string str = WithoutTrailingSeparators(strPath);
    const size_t nSeparator = LastSeparator(str);
    return nSeparator == std::string::npos ? str : str.substr(nSeparator + 1);
}

std::string BesideFolder(const std::string& strFolder, const std::string& strName) {
    const std::string str = WithoutTrailingSeparators(strFolder);
    const std::string strLast = LastComponent(str);
    const size_t nSeparator = LastSeparator(str);
    // ".", ".." and drive-relative names have no parent in their text: ask the system.
    if (strLast == "." || strLast == ".." || strLast.empty() || IsHostSeparator(strLast[0]) ||
        (nSeparator == std::string::npos && str.find(':') != std::string::npos)) {
        return JoinHostPath(JoinHostPath(str, ".."), strName);
    }
    if (nSeparator == std::string::npos) return strName;
    return JoinHostPath(str.substr(0, nSeparator + 1), strName);
}

bool DirectlyInFolder(const std::string& strFile, const std::string& strFolder) {
    const size_t nSeparator = LastSeparator(strFile);
    const std::string strParent = nSeparator == std::string::npos ? "." : strFile.substr(0, nSeparator + 1);
    return WithoutTrailingSeparators(strParent) == WithoutTrailingSeparators(strFolder);
}
