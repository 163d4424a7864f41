// updtool: prepares and inspects what the updater reads. Each command is a
// function over UTF-8 arguments (those after the command's name) and two
// streams, so that tests can call it; main() only supplies the console.
#pragma once

#include <ostream>
#include <string>
#include <vector>

enum ToolExit {
    TOOL_OK = 0,
    TOOL_FAILED = 1,  // refused input, a bundle that would not install, a file that cannot be written
    TOOL_USAGE = 2,   // the command line itself is wrong
};

// The whole command line after the program's name.
int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunUninstallManifest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage text with an example.
std::string ToolUsage();
