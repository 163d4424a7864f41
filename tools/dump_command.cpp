// updtool dump: a manifest as text or JSON.
#include <cstring>
#include <sstream>

#include "copier.h"
#include "images.h"
#include "options.h"
#include "texts.h"
#include "tool.h"
#include "usage.h"

namespace {

enum ManifestKind { KIND_UNKNOWN, KIND_UPDATE, KIND_UNINSTALL };

bool SameIgnoringAsciiCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        char d = b[i];
        if (d >= 'A' && d <= 'Z') d = static_cast<char>(d - 'A' + 'a');
        if (c != d) return false;
    }
    return true;
}

ManifestKind KindFromName(const std::string& strPath) {
    const std::string strName = LastComponent(strPath);
    if (SameIgnoringAsciiCase(strName, "Updateinf.dat")) return KIND_UPDATE;
    if (SameIgnoringAsciiCase(strName, "Uninstallinf.dat")) return KIND_UNINSTALL;
    return KIND_UNKNOWN;
}

std::string TextOf(const char* pField, size_t nSize) { return std::string(pField, strnlen(pField, nSize)); }

// Shows the record texts and blocks either as plain lines or as JSON members.
class Writer {
public:
    Writer(std::ostream& out, bool bJson) : m_out(out), m_bJson(bJson) {
        if (m_bJson) m_out << "{\n";
    }

    void Text(const char* pszLabel, const char* pszKey, const std::string& strCp932) {
        bool bExact = true;
        const std::string strShown = ShowCp932(strCp932, &bExact);
        if (!m_bJson) {
            m_out << pszLabel << ": " << strShown << "\n";
            return;
        }
        Member(pszKey, JsonString(strShown));
        if (!bExact) Member((std::string(pszKey) + "_hex").c_str(), JsonString(HexBytes(strCp932.data(), strCp932.size())));
    }

    void Number(const char* pszLabel, const char* pszKey, long long n) {
        if (m_bJson) {
            Member(pszKey, std::to_string(n));
        } else {
            m_out << pszLabel << ": " << n << "\n";
        }
    }

    // A block the program never interprets: shown only when it holds something.
    void Block(const char* pszLabel, const char* pszKey, const void* pData, size_t n) {
        if (AllZero(pData, n)) return;
        if (m_bJson) {
            Member(pszKey, JsonString(HexBytes(pData, n)));
        } else {
            m_out << pszLabel << ": " << HexBytes(pData, n) << "\n";
        }
    }

    void Entries(const std::vector<FileEntry>& entries) {
        if (m_bJson) {
            m_out << ",\n  \"entries\": [";
            for (size_t i = 0; i < entries.size(); ++i) m_out << (i == 0 ? "\n" : ",\n") << "    " << JsonEntry(entries[i]);
            m_out << (entries.empty() ? "]" : "\n  ]") << "\n}\n";
            return;
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            const FileEntry& entry = entries[i];
            m_out << "entry " << i << ": " << (IsDirectoryEntry(entry) ? "directory" : "file") << ", amount "
                  << entry.lAmount << ", info " << entry.dwInfo << ", path "
                  << ShowCp932(TextOf(entry.szPath, sizeof entry.szPath)) << "\n";
        }
    }

private:
    void Member(const char* pszKey, const std::string& strJson) {
        m_out << (m_bFirst ? "" : ",\n") << "  " << JsonString(pszKey) << ": " << strJson;
        m_bFirst = false;
    }

    static std::string JsonEntry(const FileEntry& entry) {
        const std::string strPath = TextOf(entry.szPath, sizeof entry.szPath);
        bool bExact = true;
        const std::string strShown = ShowCp932(strPath, &bExact);
        std::ostringstream line;
        line << "{\"kind\": " << (IsDirectoryEntry(entry) ? "\"directory\"" : "\"file\"")
             << ", \"path\": " << JsonString(strShown);
        if (!bExact) line << ", \"path_hex\": " << JsonString(HexBytes(strPath.data(), strPath.size()));
        line << ", \"amount\": " << entry.lAmount << ", \"info\": " << entry.dwInfo << "}";
        return line.str();
    }

    std::ostream& m_out;
    bool m_bJson;
    bool m_bFirst = true;
};

}  // namespace

int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandReport report("dump", kDumpUsage, err);
    CommandLine line;
    std::string strError;
    if (!ParseCommandLine(args, {"--kind"}, {"--json"}, line, strError)) return report.UsageError(strError);
    if (line.bHelp) {
        out << "usage: " << kDumpUsage << "\n";
        return TOOL_OK;
    }
    if (line.operands.size() != 1) return report.UsageError("give one manifest file");
    const std::string strPath = line.operands[0];
    ManifestKind kind = KindFromName(strPath);
    if (line.values.count("--kind")) {
        const std::string& strKind = line.values["--kind"];
        if (strKind == "update") {
            kind = KIND_UPDATE;
        } else if (strKind == "uninstall") {
            kind = KIND_UNINSTALL;
        } else {
            return report.UsageError("--kind takes update or uninstall");
        }
    }
    if (kind == KIND_UNKNOWN) {
        return report.UsageError("cannot tell the kind of '" + ShowUtf8(strPath) +
                                 "' from its name (Updateinf.dat or Uninstallinf.dat): give --kind update or --kind uninstall");
    }

    const bool bUpdate = kind == KIND_UPDATE;
    const std::string strShownPath = ShowUtf8(strPath);
    std::string strBytes;
    uint64_t nFileSize = 0;
    if (!ReadManifestFile(strPath, bUpdate ? UPDATE_HEADER_SIZE : UNINSTALL_HEADER_SIZE,
                          bUpdate ? offsetof(UpdateHeader, dwEntryCount) : offsetof(UninstallHeader, dwEntryCount),
                          strBytes, nFileSize, strError)) {
        return report.Fail("cannot read '" + strShownPath + "': " + strError);
    }
    UpdateImage update;
    UninstallImage uninstall;
    const std::vector<std::string> problems =
        bUpdate ? ParseUpdateImage(strBytes, nFileSize, update) : ParseUninstallImage(strBytes, nFileSize, uninstall);
    if (!problems.empty()) {
        for (const std::string& strProblem : problems) report.Message("'" + strShownPath + "': " + strProblem);
        return report.Fail("'" + strShownPath + "' is no well-formed " + (bUpdate ? "update" : "uninstall") +
                           " manifest");
    }

    // Built whole before it is shown, so a refusal never leaves half a dump.
    std::ostringstream text;
    Writer writer(text, line.flags.count("--json") != 0);
    if (bUpdate) {
        const UpdateHeader& header = update.header;
        writer.Text("kind", "kind", "update");
        writer.Text("product name", "product_name", TextOf(header.szProductName, sizeof header.szProductName));
        writer.Text("registry key", "registry_key", TextOf(header.szRegistryKey, sizeof header.szRegistryKey));
        writer.Text("registry value", "registry_value", TextOf(header.szRegistryValue, sizeof header.szRegistryValue));
        writer.Number("entry count", "entry_count", header.dwEntryCount);
        writer.Block("reserved", "reserved", header.abReserved, sizeof header.abReserved);
        writer.Entries(update.entries);
    } else {
        const UninstallHeader& header = uninstall.header;
        writer.Text("kind", "kind", "uninstall");
        writer.Number("entry count", "entry_count", header.dwEntryCount);
        writer.Number("added count", "added_count", header.dwAddedCount);
        writer.Number("total amount", "total_amount", header.lTotalAmount);
        writer.Block("head", "head", header.abHead, sizeof header.abHead);
        writer.Block("tail", "tail", header.abTail, sizeof header.abTail);
        writer.Entries(uninstall.entries);
    }
    out << text.str();
    return TOOL_OK;
}
