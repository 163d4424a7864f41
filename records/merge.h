// Recording installed entries in the uninstall table.
#pragma once

struct FileEntry;

// Whether two paths are equal when the bytes 'A' to 'Z' are taken as 'a' to
// 'z' (also as second bytes of double-byte characters), comparing at most the
// 260 bytes of a record.
bool SameUninstallPath(const char* pszA, const char* pszB);

// Records an installed entry: a file updates the first record with the same
// path (amount, info and the total) or is appended and counted as added; a
// directory is appended unless already listed.
void MergeUninstallEntry(const FileEntry& entry, bool bDirectory);
