// Recording installed entries in the uninstall table.
#pragma once

#include <cstdint>
#include <vector>

struct FileEntry;

// Whether two paths are equal when the bytes 'A' to 'Z' are taken as 'a' to
// 'z' (also as second bytes of double-byte characters), comparing at most the
// 260 bytes of a record.
bool SameUninstallPath(const char* pszA, const char* pszB);

// A 32-bit key of a path: equal for paths that SameUninstallPath finds equal.
uint32_t UninstallPathKey(const char* pszPath);

// Records an installed entry: a file updates the first record with the same
// path (amount, info and the total) or is appended and counted as added; a
// directory is appended unless already listed.
void MergeUninstallEntry(const FileEntry& entry, bool bDirectory);

// The uninstall table's path keys, kept beside it for a run of merges. The
// search stays a walk through the records in order, first match winning,
// but it compares four bytes per record and reads a record only when its key
// agrees: an install merges every entry, so the walk is the hot loop.
class UninstallMerge {
public:
    // Keys of the table as it stands.
    UninstallMerge();
    // MergeUninstallEntry, with the keys kept in step.
    void Merge(const FileEntry& entry, bool bDirectory);

private:
    void Rebuild();
    // Index of the first record with the entry's path, or the record count.
    uint32_t FindRecord(const FileEntry& entry, uint32_t nKey) const;
    std::vector<uint32_t> m_keys;
};
