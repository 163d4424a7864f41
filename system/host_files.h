// Whole files and folders named by UTF-8 paths, whatever the system's code
// page, for the vendor tool and its tests. Errors come back as texts.
#pragma once

#include <cstdint>
#include <string>

// Reads at most nMaxBytes from the start of strPath into strBytes; nFileSize
// gets the whole file's size.
bool ReadHostFile(const std::string& strPath, uint64_t nMaxBytes, std::string& strBytes,
                  uint64_t& nFileSize, std::string& strError);

// Creates or empties strPath and writes strBytes, pushed to the disk.
bool WriteHostFile(const std::string& strPath, const std::string& strBytes, std::string& strError);

// Creates or resizes strPath to nSize bytes, zeros where it grows (without
// writing them, where the file system allows).
bool SetHostFileSize(const std::string& strPath, uint64_t nSize);

// Moves strFrom over strTo, replacing what was there.
bool ReplaceHostFile(const std::string& strFrom, const std::string& strTo, std::string& strError);

bool RemoveHostFile(const std::string& strPath);

// True when the folder exists afterwards.
bool MakeHostFolder(const std::string& strPath);

// Makes strLink a link to the folder strTarget (a path relative to the
// link's folder); false where the system or the user may not make links.
bool MakeHostFolderLink(const std::string& strTarget, const std::string& strLink);

// Removes a file or a folder with everything in it; links are removed, not followed.
void RemoveHostTree(const std::string& strPath);

// A new empty folder in the system's temporary folder, its name starting with strPrefix.
bool MakeHostTempFolder(const std::string& strPrefix, std::string& strPath);

// A name beside strPath for a temporary file of this process.
std::string TempPathBeside(const std::string& strPath);

// The name for strPath that CFile and the other services of winapi.h take
// (system code page bytes); false when that code page cannot name it.
bool SystemFormOfPath(const std::string& strPath, std::string& strSystem);

// Whether c separates folders in a path of this system.
bool IsHostSeparator(char c);

// strFolder and strName joined with this system's separator.
std::string JoinHostPath(const std::string& strFolder, const std::string& strName);
