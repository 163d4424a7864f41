// Manifest files as the tool reads, judges and writes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "manifest.h"

struct UpdateImage {
    UpdateHeader header;
    std::vector<FileEntry> entries;
};

struct UninstallImage {
    UninstallHeader header;
    std::vector<FileEntry> entries;
};

// Reads the header and the records the header counts (not what follows
// them) of a manifest with an nHeaderSize-byte header whose entry count lies
// at nCountOffset. False with a message when the file cannot be read or
// counts more entries than the tool takes in.
bool ReadManifestFile(const std::string& strPath, uint32_t nHeaderSize, uint32_t nCountOffset,
                      std::string& strBytes, uint64_t& nFileSize, std::string& strError);

// Every reason the program would refuse an update manifest of a file of
// nFileSize bytes starting with strBytes, in words, from the program's own
// checks (validate.h); empty, with image filled, when it would load it.
std::vector<std::string> ParseUpdateImage(const std::string& strBytes, uint64_t nFileSize, UpdateImage& image);

// The same for an uninstall manifest. The program loads one whose paths lack
// their NUL, but could not use it: that is refused here too.
std::vector<std::string> ParseUninstallImage(const std::string& strBytes, uint64_t nFileSize,
                                             UninstallImage& image);

std::string ImageBytes(const UpdateImage& image);
std::string ImageBytes(const UninstallImage& image);

// Writes the manifest to a temporary file beside strOut and replaces strOut
// with it only when it reads back as written and the program's loader,
// through CFile, accepts it and gives back the same header and entries. The
// loader is skipped when the system code page cannot name the file (the
// program's own checks on the bytes read back still run). On failure
// strOut is left as it was and the temporary file removed.
bool WriteManifest(const std::string& strOut, const UpdateImage& image, std::string& strError);
bool WriteManifest(const std::string& strOut, const UninstallImage& image, std::string& strError);

// The program's loader over the file at strPath (a UTF-8 path): 1 when it
// accepts it, 0 when it refuses it, -1 when the system code page cannot name
// the file or it cannot be opened, so the loader cannot be asked.
int UpdateLoaderAccepts(const std::string& strPath);
