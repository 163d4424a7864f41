// One folder's entries with their names as the manifests hold them (code
// page 932 bytes). Paths given here are UTF-8 in every build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum ItemKind {
    ITEM_MISSING = 0,
    ITEM_FILE,
    ITEM_FOLDER,
    ITEM_OTHER,  // a device, pipe, socket or a link that leads nowhere
};

struct FolderItem {
    std::string strName;      // code page 932 bytes; empty when bInCodePage is false
    std::string strUtf8Name;  // the name as the file system has it (on POSIX its raw
                              // bytes, which a careless writer may have left invalid)
    bool bInCodePage;         // whether the name has a code page 932 form
    ItemKind kind;            // what the name leads to, links followed
    bool bLink;               // a symbolic link or junction rather than the thing itself
    uint64_t nSize;           // bytes, for a file
};

// Lists strFolder without "." and "..": names with a code page 932 form first,
// ordered by those bytes, then the others by their own bytes. False with a
// message in strError when the folder cannot be read.
bool ListFolder(const std::string& strFolder, std::vector<FolderItem>& items, std::string& strError);

// What strPath leads to, links followed; *pnSize gets a file's size.
ItemKind KindOfPath(const std::string& strPath, uint64_t* pnSize = nullptr);

// Puts items in the order ListFolder gives; for the platform parts.
void SortFolderItems(std::vector<FolderItem>& items);
