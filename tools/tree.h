// The entries that list a folder's contents in a manifest.
//
// Order: every folder's directory entry comes before anything inside it.
// Within a folder, its files come first, then each subfolder (its directory
// entry, then its own contents, recursively); files and subfolders are each
// ordered by the bytes of their code page 932 names. The listed folder itself
// gets no entry: the install folder always exists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "manifest.h"

enum AmountMode {
    AMOUNT_BYTES,  // a file's size
    AMOUNT_KIB,    // a file's size in KiB, rounded up
    AMOUNT_ZERO,
};

struct TreeEntry {
    std::string strPath;  // code page 932, relative, backslashes; a folder's ends with one
    bool bFolder;
    int32_t lAmount;      // 0 for folders
};

// Lists strRoot (a UTF-8 path) into entries. Each thing the program could not
// install as it is adds a message to problems: a name with no code page 932
// form, a path over the limit, a name Windows would not keep or the program
// would misread, a file too large for its amount, names that differ only in
// case, a link to a folder (links to files are followed). A folder with a
// problem is not entered. strSkipName is a top-level
// file left out (the manifest being written there); empty for none.
void CollectTree(const std::string& strRoot, AmountMode mode, const std::string& strSkipName,
                 std::vector<TreeEntry>& entries, std::vector<std::string>& problems);

// The manifest records of the entries, each with dwInfo.
std::vector<FileEntry> ManifestEntries(const std::vector<TreeEntry>& entries, uint32_t dwInfo);

// The sum of the file entries' amounts, modulo 2^32 as the program keeps it.
int32_t TotalAmount(const std::vector<TreeEntry>& entries);
