// updtool check: whether a bundle folder (Updateinf.dat, data/, Update.exe)
// would install, judged as the program reads and installs it.
#include <cstring>
#include <map>

#include "copier.h"
#include "cp932_text.h"
#include "folder_walk.h"
#include "host_files.h"
#include "images.h"
#include "options.h"
#include "texts.h"
#include "tool.h"
#include "usage.h"

namespace {

// Sources deeper than this cannot be joined to any data folder within MAX_PATH.
const size_t kMaxSourcePath = 259;

struct DataItem {
    std::string strPath;  // code page 932, relative to data/, as the file system spells it
    ItemKind kind;
    bool bListed;
};

class BundleCheck {
public:
    BundleCheck(const CommandReport& report) : m_report(report) {}

    void Error(const std::string& strText) {
        m_report.Message("error: " + strText);
        ++m_nErrors;
    }

    void Warning(const std::string& strText) {
        m_report.Message("warning: " + strText);
        ++m_nWarnings;
    }

    // Everything under data/, keyed by its path with ASCII case folded, as Windows matches names.
    void WalkData(const std::string& strHostFolder, const std::string& strRelative) {
        if (strRelative.empty()) m_strData = strHostFolder;
        std::vector<FolderItem> items;
        std::string strError;
        if (!ListFolder(strHostFolder, items, strError)) {
            Error("cannot read " + Shown("data\\" + strRelative) + ": " + strError);
            return;
        }
        for (const FolderItem& item : items) {
            if (!item.bInCodePage) {
                Warning(Shown("data\\" + strRelative) + " holds '" + ShowUtf8(item.strUtf8Name) +
                        "', whose name has no code page 932 form, so no entry can list it");
                continue;
            }
            const std::string strPath = strRelative + item.strName;
            const auto result = m_data.emplace(FoldCp932Case(strPath), DataItem{strPath, item.kind, false});
            if (!result.second) {
                Warning(Shown("data\\" + strPath) + " and " + Shown("data\\" + result.first->second.strPath) +
                        " differ only in case; Windows would see one of them");
                continue;
            }
            if (item.kind != ITEM_FOLDER) continue;
            if (item.bLink) {
                Warning(Shown("data\\" + strPath) +
                        " is a link to a folder; files in it that no entry lists are not reported");
                continue;
            }
            if (strPath.size() + 1 > kMaxSourcePath) {
                Warning(Shown("data\\" + strPath) + " is too deep for any entry; its contents were not examined");
                continue;
            }
            WalkData(JoinHostPath(strHostFolder, item.strUtf8Name), strPath + "\\");
        }
    }

    void CheckEntries(const std::vector<FileEntry>& entries, bool bHaveData) {
        // The first entry that creates each folder: a directory entry creates
        // every folder along its path.
        std::map<std::string, size_t> firstCreator;
        std::map<std::string, size_t> seen;
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::string strPath = FoldCp932Case(PathOf(entries[i]));
            const auto result = seen.emplace(strPath, i);
            if (!result.second) {
                Warning(EntryName(i, entries[i]) + " repeats entry " + std::to_string(result.first->second));
            }
            if (!IsDirectoryEntry(entries[i])) continue;
            const std::string strCreated = FoldCp932Case(FolderOf(PathOf(entries[i]))) + "\\";
            for (size_t nEnd = strCreated.size(); nEnd > 0;) {
                firstCreator.emplace(strCreated.substr(0, nEnd), i);
                nEnd = AfterLastSeparator(strCreated, nEnd - 1);
            }
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            const FileEntry& entry = entries[i];
            const std::string strPath = PathOf(entry);
            if (IsDirectoryEntry(entry)) {
                CheckDirectorySource(i, entry, FolderOf(strPath));
                continue;
            }
            if (bHaveData) CheckFileSource(i, entry, strPath);
            const size_t nParent = AfterLastSeparator(strPath, strPath.size());
            if (nParent == 0) continue;  // the install folder itself always exists
            const std::string strParent = strPath.substr(0, nParent);
            const auto creator = firstCreator.find(FoldCp932Case(strParent));
            if (creator == firstCreator.end()) {
                Error(EntryName(i, entry) + " needs the folder " + Shown(strParent) +
                      ", which no directory entry creates; the program creates no folders for files");
            } else if (creator->second > i) {
                Error(EntryName(i, entry) + " comes before entry " + std::to_string(creator->second) + " " +
                      Shown(PathOf(entries[creator->second])) + ", which creates its folder " + Shown(strParent));
            }
        }
        for (const auto& item : m_data) {
            if (item.second.kind != ITEM_FOLDER && !item.second.bListed) {
                Warning(Shown("data\\" + item.second.strPath) + " is listed by no entry");
            }
        }
    }

    int Verdict(std::ostream& out, const std::string& strBundle, size_t nEntries, size_t nFolders) const {
        const std::string strWarnings = Counted(m_nWarnings, "warning", "warnings");
        if (m_nErrors > 0) {
            out << "'" << strBundle << "': would not install: " << Counted(m_nErrors, "error", "errors") << ", "
                << strWarnings << "\n";
            return TOOL_FAILED;
        }
        out << "'" << strBundle << "': would install: " << Counted(nEntries, "entry", "entries") << " ("
            << Counted(nFolders, "directory", "directories") << ", " << Counted(nEntries - nFolders, "file", "files")
            << "), " << strWarnings << "\n";
        return TOOL_OK;
    }

    size_t ErrorCount() const { return m_nErrors; }

private:
    static std::string PathOf(const FileEntry& entry) {
        return std::string(entry.szPath, strnlen(entry.szPath, sizeof entry.szPath));
    }

    // The folder a directory entry names: its path without the separator at its
    // end, or all of it when the 0x5C there is the second byte of a character.
    static std::string FolderOf(const std::string& strPath) {
        return EndsWithTrailBackslash(strPath) ? strPath : strPath.substr(0, strPath.size() - 1);
    }

    static std::string Shown(const std::string& strCp932) { return "'" + ShowCp932(strCp932) + "'"; }

    static std::string EntryName(size_t i, const FileEntry& entry) {
        return "entry " + std::to_string(i) + " " + Shown(PathOf(entry));
    }

    DataItem* Source(const std::string& strPath) {
        const std::string strKey = FoldCp932Case(strPath);
        const auto found = m_data.find(strKey);
        if (found != m_data.end()) return &found->second;
        // Not walked (inside a linked folder): the file system answers, as it will the program.
        std::string strUtf8;
        if (m_strData.empty() || !Cp932ToUtf8(strPath, strUtf8)) return nullptr;
        for (char& c : strUtf8) {
            if (c == '\\') c = '/';  // in UTF-8 a 0x5C byte is always a backslash of its own
        }
        const ItemKind kind = KindOfPath(JoinHostPath(m_strData, strUtf8));
        if (kind == ITEM_MISSING) return nullptr;
        return &m_data.emplace(strKey, DataItem{strPath, kind, false}).first->second;
    }

    void CheckFileSource(size_t i, const FileEntry& entry, const std::string& strPath) {
        DataItem* pSource = Source(strPath);
        if (pSource == nullptr) {
            Error(EntryName(i, entry) + ": its source " + Shown("data\\" + strPath) + " is missing");
            return;
        }
        pSource->bListed = true;
        if (pSource->kind == ITEM_FOLDER) {
            Error(EntryName(i, entry) + " is a file entry, but its source " + Shown("data\\" + pSource->strPath) +
                  " is a folder");
        } else if (pSource->kind != ITEM_FILE) {
            Error(EntryName(i, entry) + ": its source " + Shown("data\\" + pSource->strPath) + " is not a regular file");
        } else if (pSource->strPath != strPath) {
            Warning(EntryName(i, entry) + " differs in case from its source " + Shown("data\\" + pSource->strPath) +
                    " (Windows matches it; other systems would not)");
        }
    }

    void CheckDirectorySource(size_t i, const FileEntry& entry, const std::string& strFolder) {
        const DataItem* pSource = Source(strFolder);
        if (pSource == nullptr || pSource->kind == ITEM_FOLDER) return;  // directories need no source
        std::string strText = EntryName(i, entry) + " is a directory entry, but " +
                              Shown("data\\" + pSource->strPath) + " is a file";
        if (EndsWithTrailBackslash(strFolder)) {
            strText += " (its last character's second byte is 0x5C, so the program takes the entry for a folder)";
        }
        Error(strText);
    }

    const CommandReport& m_report;
    std::string m_strData;  // the data folder when it exists
    std::map<std::string, DataItem> m_data;
    size_t m_nErrors = 0;
    size_t m_nWarnings = 0;
};

}  // namespace

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const CommandReport report("check", kCheckUsage, err);
    CommandLine line;
    std::string strError;
    if (!ParseCommandLine(args, {}, {}, line, strError)) return report.UsageError(strError);
    if (line.bHelp) {
        out << "usage: " << kCheckUsage << "\n";
        return TOOL_OK;
    }
    if (line.operands.size() != 1) return report.UsageError("give one bundle folder");
    const std::string strBundle = line.operands[0];
    const std::string strShownBundle = ShowUtf8(strBundle);
    if (KindOfPath(strBundle) != ITEM_FOLDER) return report.Fail("'" + strShownBundle + "' is not a folder");

    BundleCheck check(report);
    const std::string strManifest = JoinHostPath(strBundle, "Updateinf.dat");
    std::string strBytes;
    uint64_t nFileSize = 0;
    UpdateImage image;
    if (!ReadManifestFile(strManifest, UPDATE_HEADER_SIZE, offsetof(UpdateHeader, dwEntryCount), strBytes, nFileSize,
                          strError)) {
        check.Error("cannot read Updateinf.dat: " + strError);
        return check.Verdict(out, strShownBundle, 0, 0);
    }
    const std::vector<std::string> problems = ParseUpdateImage(strBytes, nFileSize, image);
    for (const std::string& strProblem : problems) check.Error("Updateinf.dat: " + strProblem);
    // The program's own loader has the last word on the file.
    if (problems.empty() && UpdateLoaderAccepts(strManifest) == 0) {
        check.Error("Updateinf.dat: the program's loader refuses it");
    }
    if (check.ErrorCount() > 0) return check.Verdict(out, strShownBundle, 0, 0);

    size_t nFiles = 0;
    for (const FileEntry& entry : image.entries) nFiles += IsDirectoryEntry(entry) ? 0 : 1;
    const std::string strData = JoinHostPath(strBundle, "data");
    const ItemKind dataKind = KindOfPath(strData);
    if (dataKind == ITEM_FOLDER) {
        check.WalkData(strData, std::string());
    } else if (nFiles > 0) {
        check.Error(std::string(dataKind == ITEM_MISSING ? "there is no data folder" : "'data' is not a folder") +
                    ", so none of the " + Counted(nFiles, "file entry", "file entries") + " has a source");
    }
    check.CheckEntries(image.entries, dataKind == ITEM_FOLDER);
    return check.Verdict(out, strShownBundle, image.entries.size(), image.entries.size() - nFiles);
}
