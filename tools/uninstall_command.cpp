// updtool uninstall-manifest: Uninstallinf.dat for an installed folder.
#include <cstring>

#include "folder_walk.h"
#include "host_files.h"
#include "images.h"
#include "options.h"
#include "texts.h"
#include "tool.h"
#include "tree.h"
#include "usage.h"

namespace {

const char kUninstallFileName[] = "Uninstallinf.dat";

}  // namespace

int RunUninstallManifest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandReport report("uninstall-manifest", kUninstallManifestUsage, err);
    CommandLine line;
    std::string strError;
    if (!ParseCommandLine(args, {"--tree", "--out", "--amount"}, {}, line, strError)) {
        return report.UsageError(strError);
    }
    if (line.bHelp) {
        out << "usage: " << kUninstallManifestUsage << "\n";
        return TOOL_OK;
    }
    if (!line.operands.empty()) return report.UsageError("unexpected argument '" + ShowUtf8(line.operands[0]) + "'");
    if (line.values.count("--tree") == 0) return report.UsageError("missing --tree");
    AmountMode mode = AMOUNT_BYTES;
    if (line.values.count("--amount") && !ParseAmountMode(line.values["--amount"], mode)) {
        return report.UsageError("--amount takes bytes, kib or zero");
    }
    const std::string strTree = line.values["--tree"];
    if (KindOfPath(strTree) != ITEM_FOLDER) return report.Fail("'" + ShowUtf8(strTree) + "' is not a folder");
    const std::string strOut =
        line.values.count("--out") ? line.values["--out"] : JoinHostPath(strTree, kUninstallFileName);

    std::vector<TreeEntry> entries;
    std::vector<std::string> problems;
    // The manifest being written is no part of what it lists.
    const std::string strSkip = DirectlyInFolder(strOut, strTree) ? LastComponent(strOut) : std::string();
    CollectTree(strTree, mode, strSkip, entries, problems);
    if (!problems.empty()) return report.Refuse(problems);

    UninstallImage image;
    std::memset(&image.header, 0, sizeof image.header);
    image.entries = ManifestEntries(entries, 0);
    image.header.dwEntryCount = static_cast<uint32_t>(image.entries.size());
    image.header.lTotalAmount = TotalAmount(entries);
    if (!WriteManifest(strOut, image, strError)) {
        return report.Fail("cannot write '" + ShowUtf8(strOut) + "': " + strError);
    }
    out << "wrote " << ShowUtf8(strOut) << ": " << Counted(image.entries.size(), "entry", "entries") << ", total amount "
        << image.header.lTotalAmount << "\n";
    return TOOL_OK;
}
