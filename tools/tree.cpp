#include "tree.h"

#include <cstring>
#include <map>

#include "folder_walk.h"
#include "host_files.h"
#include "manifest.h"
#include "names.h"
#include "texts.h"
#include "validate.h"

namespace {

const uint64_t kMaxAmount = 0x7FFFFFFF;

std::string Quoted(const std::string& strShown) { return "'" + strShown + "'"; }

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char ca = a[i];
        char cb = b[i];
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
        if (ca != cb) return false;
    }
    return true;
}

class TreeWalker {
public:
    TreeWalker(AmountMode mode, std::vector<TreeEntry>& entries, std::vector<std::string>& problems)
        : m_mode(mode), m_entries(entries), m_problems(problems) {}

    // strRelative: code page 932 path of the folder, ending with a backslash, or empty for the root.
    void Walk(const std::string& strHostFolder, const std::string& strRelative, const std::string& strSkipName) {
        std::vector<FolderItem> items;
        std::string strError;
        if (!ListFolder(strHostFolder, items, strError)) {
            m_problems.push_back("cannot read folder " + Quoted(ShowPath(strHostFolder, strRelative)) + ": " +
                                 strError);
            return;
        }
        ReportCaseTwins(items, strRelative);
        std::vector<const FolderItem*> folders;
        for (const FolderItem& item : items) {
            if (!strSkipName.empty() && item.kind == ITEM_FILE && SameNameIgnoringCase(item.strUtf8Name, strSkipName)) {
                continue;
            }
            if (!Acceptable(item, strRelative)) continue;
            if (item.kind == ITEM_FOLDER) {
                folders.push_back(&item);
            } else {
                m_entries.push_back(TreeEntry{strRelative + item.strName, false, Amount(item.nSize)});
            }
        }
        for (const FolderItem* pFolder : folders) {
            const std::string strEntry = strRelative + pFolder->strName + "\\";
            m_entries.push_back(TreeEntry{strEntry, true, 0});
            Walk(JoinHostPath(strHostFolder, pFolder->strUtf8Name), strEntry, std::string());
        }
    }

private:
    static std::string ShowPath(const std::string& strHostFolder, const std::string& strRelative) {
        return strRelative.empty() ? ShowUtf8(strHostFolder) : ShowCp932(strRelative);
    }

    int32_t Amount(uint64_t nSize) const {
        switch (m_mode) {
            case AMOUNT_BYTES: return static_cast<int32_t>(nSize);
            case AMOUNT_KIB: return static_cast<int32_t>((nSize + 1023) / 1024);
            case AMOUNT_ZERO: break;
        }
        return 0;
    }

    void Problem(const std::string& strShown, const std::string& strText) {
        m_problems.push_back(Quoted(strShown) + ": " + strText);
    }

    // Whether the item can be listed; each reason it cannot becomes one problem.
    bool Acceptable(const FolderItem& item, const std::string& strRelative) {
        const bool bFolder = item.kind == ITEM_FOLDER;
        if (!item.bInCodePage) {
            Problem(ShowCp932(strRelative) + ShowUtf8(item.strUtf8Name),
                    "the name has characters with no code page 932 form: " +
                        CharactersOutsideCp932(item.strUtf8Name) + (bFolder ? " (its contents were not examined)" : ""));
            return false;
        }
        const std::string strEntry = strRelative + item.strName + (bFolder ? "\\" : "");
        const std::string strShown = ShowCp932(strEntry);
        if (item.kind == ITEM_OTHER) {
            Problem(strShown, "neither a file nor a folder (a device, pipe, socket or broken link)");
            return false;
        }
        // A link may lead back to a folder above it, and the tree would have no end.
        if (bFolder && item.bLink) {
            Problem(strShown, "a link to a folder, which is not followed (put the folder itself there)");
            return false;
        }
        const char* pszInside = bFolder ? " (its contents were not examined)" : "";
        if (strEntry.size() > MAX_RELATIVE_PATH) {
            Problem(strShown, "the path is " + std::to_string(strEntry.size()) +
                                  " bytes in code page 932; a path may have at most " +
                                  std::to_string(MAX_RELATIVE_PATH) + " bytes" + pszInside);
            return false;
        }
        FileEntry entry;
        std::memset(&entry, 0, sizeof entry);
        std::memcpy(entry.szPath, strEntry.data(), strEntry.size());
        const PathProblem pathProblem = CheckUpdatePath(entry);
        if (pathProblem != PATH_OK) {
            Problem(strShown, std::string(DescribePathProblem(pathProblem)) + pszInside);
            return false;
        }
        if (const char* pszProblem = WindowsNameProblem(item.strName)) {
            Problem(strShown, std::string(pszProblem) + pszInside);
            return false;
        }
        if (!bFolder && EndsWithTrailBackslash(item.strName)) {
            Problem(strShown,
                    "the name ends with a double-byte character whose second byte is 0x5C (a backslash "
                    "byte); the program would take the file for a folder");
            return false;
        }
        if (!bFolder && m_mode == AMOUNT_BYTES && item.nSize > kMaxAmount) {
            Problem(strShown, "the file is " + std::to_string(item.nSize) +
                                  " bytes; an amount in bytes may be at most 2147483647 (use --amount kib or zero)");
            return false;
        }
        if (!bFolder && m_mode == AMOUNT_KIB && (item.nSize + 1023) / 1024 > kMaxAmount) {
            Problem(strShown, "the file is " + std::to_string(item.nSize) +
                                  " bytes; an amount in KiB may be at most 2147483647 (use --amount zero)");
            return false;
        }
        return true;
    }

    // Windows keeps one of two names that differ only in case.
    void ReportCaseTwins(const std::vector<FolderItem>& items, const std::string& strRelative) {
        std::map<std::string, const FolderItem*> seen;
        for (const FolderItem& item : items) {
            if (!item.bInCodePage) continue;
            const auto result = seen.emplace(FoldCp932Case(item.strName), &item);
            if (!result.second) {
                Problem(ShowCp932(strRelative + item.strName),
                        "differs only in case from " + Quoted(ShowCp932(strRelative + result.first->second->strName)) +
                            "; Windows would see one name");
            }
        }
    }

    AmountMode m_mode;
    std::vector<TreeEntry>& m_entries;
    std::vector<std::string>& m_problems;
};

}  // namespace

void CollectTree(const std::string& strRoot, AmountMode mode, const std::string& strSkipName,
                 std::vector<TreeEntry>& entries, std::vector<std::string>& problems) {
    entries.clear();
    TreeWalker(mode, entries, problems).Walk(strRoot, std::string(), strSkipName);
    // Far beyond any real tree, but the table's size must stay within 32 bits.
    if (entries.size() > (UINT32_MAX - UNINSTALL_HEADER_SIZE) / FILE_ENTRY_SIZE) {
        problems.push_back(std::to_string(entries.size()) + " entries are more than a manifest can hold");
    }
}

int32_t TotalAmount(const std::vector<TreeEntry>& entries) {
    uint32_t nTotal = 0;
    for (const TreeEntry& entry : entries) {
        if (!entry.bFolder) nTotal += static_cast<uint32_t>(entry.lAmount);
    }
    return static_cast<int32_t>(nTotal);
}

std::vector<FileEntry> ManifestEntries(const std::vector<TreeEntry>& entries, uint32_t dwInfo) {
    std::vector<FileEntry> records;
    for (const TreeEntry& tree : entries) {
        FileEntry entry;
        std::memset(&entry, 0, sizeof entry);
        // CollectTree keeps every path within MAX_RELATIVE_PATH.
        std::memcpy(entry.szPath, tree.strPath.data(), tree.strPath.size());
        entry.lAmount = tree.lAmount;
        entry.dwInfo = dwInfo;
        records.push_back(entry);
    }
    return records;
}
