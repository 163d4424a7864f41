// Installing the update: every entry of the update table, in table order,
// into the install directory, with progress shown in the progress dialog.
#pragma once

#include <cstdint>

#include "winapi.h"

struct FileEntry;

// Largest number of bytes moved per step of a copy; a shorter step ends the file.
const uint32_t COPY_CHUNK_SIZE = 100000;
// Largest source for which the percentage is position * 100 / size.
const uint32_t PROGRESS_EXACT_LIMIT = 10000000;

// Set to 1 by the progress dialog's Cancel and never reset; the copier stops
// when it reads 1 after a full chunk.
extern int32_t g_bCancel;

// Whether an entry names a directory: its last byte is 0x5C, judged on that
// byte alone (so a path ending in 表 is a directory too).
bool IsDirectoryEntry(const FileEntry& entry);

// The percentage shown before a chunk, for a source of nSize bytes (its low 32
// bits) of which nPosition have been read.
uint32_t ProgressPercent(uint32_t nPosition, uint32_t nSize);

// Installs every update entry under szInstallDir (ending with a backslash)
// from szDataDir (ending with a backslash), merging each into the uninstall
// table. Each file is copied beside its destination first and replaces it
// only when complete, so a stop never leaves a partial or emptied file.
// False, at the first problem, when a source or the copy cannot be opened,
// a copy ends short, a path does not fit, or the user cancels; entries
// installed before stay installed and merged.
bool InstallEntries(HWND hwndProgress, const char* szInstallDir, const char* szDataDir);
