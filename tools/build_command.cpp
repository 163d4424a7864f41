// updtool build: Updateinf.dat for a folder of files to install.
#include <cstring>

#include "cp932_text.h"
#include "folder_walk.h"
#include "images.h"
#include "options.h"
#include "texts.h"
#include "tool.h"
#include "tree.h"
#include "usage.h"
#include "validate.h"

namespace {

struct HeaderText {
    const char* pszOption;
    const char* pszWhat;
    size_t nLimit;  // bytes in code page 932, without the NUL
    char* pField;
};

const char kUpdateFileName[] = "Updateinf.dat";

}  // namespace

int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandReport report("build", kBuildUsage, err);
    CommandLine line;
    std::string strError;
    if (!ParseCommandLine(args, {"--data", "--product", "--key", "--value", "--amount", "--info", "--out"}, {},
                          line, strError)) {
        return report.UsageError(strError);
    }
    if (line.bHelp) {
        out << "usage: " << kBuildUsage << "\n";
        return TOOL_OK;
    }
    if (!line.operands.empty()) return report.UsageError("unexpected argument '" + ShowUtf8(line.operands[0]) + "'");
    for (const char* pszRequired : {"--data", "--product", "--key", "--value"}) {
        if (line.values.count(pszRequired) == 0) return report.UsageError(std::string("missing ") + pszRequired);
    }
    AmountMode mode = AMOUNT_BYTES;
    if (line.values.count("--amount") && !ParseAmountMode(line.values["--amount"], mode)) {
        return report.UsageError("--amount takes bytes, kib or zero");
    }
    uint32_t dwInfo = 0;
    if (line.values.count("--info") && !ParseUnsigned32(line.values["--info"], dwInfo)) {
        return report.UsageError("--info takes a number from 0 to 4294967295 (decimal or 0x hex)");
    }
    const std::string strData = line.values["--data"];
    if (KindOfPath(strData) != ITEM_FOLDER) return report.Fail("'" + ShowUtf8(strData) + "' is not a folder");
    const std::string strOut = line.values.count("--out") ? line.values["--out"] : BesideFolder(strData, kUpdateFileName);

    UpdateImage image;
    std::memset(&image.header, 0, sizeof image.header);
    std::vector<std::string> problems;
    const HeaderText texts[] = {
        {"--product", "product name", MAX_PRODUCT_NAME, image.header.szProductName},
        {"--key", "registry key", sizeof image.header.szRegistryKey - 1, image.header.szRegistryKey},
        {"--value", "registry value name", sizeof image.header.szRegistryValue - 1, image.header.szRegistryValue},
    };
    for (const HeaderText& text : texts) {
        const std::string& strUtf8 = line.values[text.pszOption];
        const std::string strShown = "the " + std::string(text.pszWhat) + " '" + ShowUtf8(strUtf8) + "'";
        std::string strCp932;
        if (!Utf8ToCp932(strUtf8, strCp932)) {
            problems.push_back(strShown + " has characters with no code page 932 form: " +
                               CharactersOutsideCp932(strUtf8));
        } else if (strCp932.find('\0') != std::string::npos) {
            problems.push_back(strShown + " holds a NUL character");
        } else if (strCp932.size() > text.nLimit) {
            problems.push_back(strShown + " is " + std::to_string(strCp932.size()) +
                               " bytes in code page 932; it may have at most " + std::to_string(text.nLimit) +
                               " bytes");
        } else {
            std::memcpy(text.pField, strCp932.data(), strCp932.size());
        }
    }

    std::vector<TreeEntry> entries;
    const std::string strSkip = DirectlyInFolder(strOut, strData) ? LastComponent(strOut) : std::string();
    CollectTree(strData, mode, strSkip, entries, problems);
    if (problems.empty()) {
        const HeaderProblem headerProblem = CheckUpdateHeader(image.header);
        if (headerProblem != HEADER_OK) problems.push_back(DescribeHeaderProblem(headerProblem));
    }
    if (!problems.empty()) return report.Refuse(problems);

    image.entries = ManifestEntries(entries, dwInfo);
    size_t nFolders = 0;
    for (const TreeEntry& tree : entries) nFolders += tree.bFolder ? 1 : 0;
    image.header.dwEntryCount = static_cast<uint32_t>(image.entries.size());
    if (!WriteManifest(strOut, image, strError)) {
        return report.Fail("cannot write '" + ShowUtf8(strOut) + "': " + strError);
    }
    out << "wrote " << ShowUtf8(strOut) << ": " << Counted(image.entries.size(), "entry", "entries") << " ("
        << Counted(nFolders, "directory", "directories") << ", "
        << Counted(image.entries.size() - nFolders, "file", "files") << ")\n";
    return TOOL_OK;
}
