#include "tool.h"

#include <exception>
#include <new>

#include "texts.h"
#include "usage.h"

const char kBuildUsage[] =
    "updtool build --data DIR --product NAME --key KEY --value VALUE [--amount bytes|kib|zero] [--info N] "
    "[--out FILE]";
const char kCheckUsage[] = "updtool check BUNDLE_DIR";
const char kDumpUsage[] = "updtool dump FILE [--json] [--kind update|uninstall]";
const char kUninstallManifestUsage[] = "updtool uninstall-manifest --tree DIR [--out FILE] [--amount bytes|kib|zero]";

namespace {

typedef int (*CommandFunction)(const std::vector<std::string>&, std::ostream&, std::ostream&);

struct Command {
    const char* pszName;
    CommandFunction function;
};

const Command kCommands[] = {
    {"build", RunBuild},
    {"check", RunCheck},
    {"dump", RunDump},
    {"uninstall-manifest", RunUninstallManifest},
};

}  // namespace

std::string ToolUsage() {
    return std::string(
               "updtool: prepares and inspects the files the updater reads.\n"
               "\n"
               "usage:\n  ") +
           kBuildUsage +
           "\n"
           "      write Updateinf.dat listing DIR (by default beside DIR)\n  " +
           kCheckUsage +
           "\n"
           "      say whether a bundle (Updateinf.dat, data/, Update.exe) would install\n  " +
           kDumpUsage +
           "\n"
           "      show Updateinf.dat or Uninstallinf.dat as text or JSON\n  " +
           kUninstallManifestUsage +
           "\n"
           "      write Uninstallinf.dat listing DIR (by default inside DIR)\n"
           "\n"
           "--amount: a file's amount is its size in bytes (default), in KiB rounded up, or 0.\n"
           "Texts and names are taken in UTF-8 and written in code page 932.\n"
           "Exit status: 0 done, 1 refused or failed, 2 wrong command line.\n"
           "\n"
           "example:\n"
           "  updtool build --data bundle/data --product \"Sample Editor\" \\\n"
           "      --key \"Software\\Sample\\Editor\" --value InstallDir\n"
           "  updtool check bundle\n"
           "  updtool dump bundle/Updateinf.dat --json\n";
}

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << ToolUsage();
        return TOOL_USAGE;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << ToolUsage();
        return TOOL_OK;
    }
    for (const Command& command : kCommands) {
        if (args[0] != command.pszName) continue;
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        // Nothing the input holds may end the program without its message.
        try {
            return command.function(rest, out, err);
        } catch (const std::bad_alloc&) {
            err << "updtool: " << command.pszName << ": out of memory\n";
        } catch (const std::exception& e) {
            err << "updtool: " << command.pszName << ": " << e.what() << "\n";
        }
        return TOOL_FAILED;
    }
    err << "updtool: unknown command '" << ShowUtf8(args[0]) << "'\n\n" << ToolUsage();
    return TOOL_USAGE;
}
