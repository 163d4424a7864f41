// The command line of one command: options with values, flags, operands.
#pragma once

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tree.h"

struct CommandLine {
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    std::vector<std::string> operands;
    bool bHelp = false;
};

// Takes "--name value" and "--name=value" for valueNames, "--name" for
// flagNames, "-h"/"--help", and operands; "--" ends the options. False with
// a message on an unknown or repeated option or a missing value.
bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valueNames,
                      const std::vector<std::string>& flagNames, CommandLine& line, std::string& strError);

// The value of --amount; false on anything but bytes, kib or zero.
bool ParseAmountMode(const std::string& strValue, AmountMode& mode);

// A 32-bit unsigned number, decimal or 0x-prefixed hex.
bool ParseUnsigned32(const std::string& strValue, uint32_t& nValue);

// Messages of one command, as "updtool: <command>: <message>".
class CommandReport {
public:
    CommandReport(const char* pszCommand, const char* pszUsage, std::ostream& err)
        : m_pszCommand(pszCommand), m_pszUsage(pszUsage), m_err(err) {}

    void Message(const std::string& strMessage) const;
    int Fail(const std::string& strMessage) const;       // message, then TOOL_FAILED
    int UsageError(const std::string& strMessage) const;  // message and usage, then TOOL_USAGE
    // Each problem, then how many kept the output from being written; TOOL_FAILED.
    int Refuse(const std::vector<std::string>& problems) const;
    const char* Usage() const { return m_pszUsage; }

private:
    const char* m_pszCommand;
    const char* m_pszUsage;
    std::ostream& m_err;
};

// The last component of a path, separators of this system ignored at its end.
std::string LastComponent(const std::string& strPath);

// The path of a file named strName in the folder that holds strFolder.
std::string BesideFolder(const std::string& strFolder, const std::string& strName);

// Whether strFile lies directly in strFolder, judged on the text of both.
bool DirectlyInFolder(const std::string& strFile, const std::string& strFolder);
