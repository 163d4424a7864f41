// The two manifest files and their in-memory tables.
//
// Updateinf.dat:    UpdateHeader, then dwEntryCount FileEntry records.
// Uninstallinf.dat: UninstallHeader, then dwEntryCount FileEntry records.
// Integers are 32-bit little-endian; texts are NUL-terminated code page 932
// bytes inside their arrays. Records move between file and memory as raw images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CFile;

#pragma pack(push, 1)

struct FileEntry {
    char szPath[260];   //   0: relative path; a last byte 0x5C names a directory
    int32_t lAmount;    // 260: summed into lTotalAmount for file entries
    uint32_t dwInfo;    // 264: carried into the uninstall record, not interpreted
};

struct UpdateHeader {
    char szProductName[128];    //   0: shown in the messages, at most 60 bytes
    char szRegistryKey[128];    // 128: subkey under HKEY_CURRENT_USER
    char szRegistryValue[128];  // 256: value holding the install directory
    uint32_t dwEntryCount;      // 384
    uint8_t abReserved[8];      // 388: never interpreted
};

struct UninstallHeader {
    uint8_t abHead[128];        //    0: written back as loaded
    uint32_t dwEntryCount;      //  128
    uint32_t dwAddedCount;      //  132: file entries appended by updates
    int32_t lTotalAmount;       //  136: sum of file entries' lAmount, wraps mod 2^32
    uint8_t abTail[5184];       //  140: written back as loaded
};

#pragma pack(pop)

const uint32_t FILE_ENTRY_SIZE = 268;
const uint32_t UPDATE_HEADER_SIZE = 396;
const uint32_t UNINSTALL_HEADER_SIZE = 5324;
const uint32_t MAX_PRODUCT_NAME = 60;

static_assert(sizeof(FileEntry) == FILE_ENTRY_SIZE, "FileEntry is 268 bytes");
static_assert(offsetof(FileEntry, lAmount) == 260 && offsetof(FileEntry, dwInfo) == 264,
              "FileEntry layout");
static_assert(sizeof(UpdateHeader) == UPDATE_HEADER_SIZE, "UpdateHeader is 396 bytes");
static_assert(offsetof(UpdateHeader, szRegistryKey) == 128 &&
                  offsetof(UpdateHeader, szRegistryValue) == 256 &&
                  offsetof(UpdateHeader, dwEntryCount) == 384 &&
                  offsetof(UpdateHeader, abReserved) == 388,
              "UpdateHeader layout");
static_assert(sizeof(UninstallHeader) == UNINSTALL_HEADER_SIZE, "UninstallHeader is 5324 bytes");
static_assert(offsetof(UninstallHeader, dwEntryCount) == 128 &&
                  offsetof(UninstallHeader, dwAddedCount) == 132 &&
                  offsetof(UninstallHeader, lTotalAmount) == 136 &&
                  offsetof(UninstallHeader, abTail) == 140,
              "UninstallHeader layout");

extern UpdateHeader g_updateHeader;
extern UninstallHeader g_uninstallHeader;
extern FileEntry* g_pUpdateEntries;
extern FileEntry* g_pUninstallEntries;

// Loads Updateinf.dat from a stream open for reading at its start, with one
// read for the header and one for the table. False when the file is not a
// well-formed update manifest (see validate.h); the table is then released
// and nothing has been allocated beyond what the file can fill.
bool LoadUpdateManifest(CFile& file);

// Loads Uninstallinf.dat after LoadUpdateManifest; the table gets room for
// every update entry besides its own. False when the file is shorter than
// its header and records, or the capacity would not fit in 32 bits; the
// uninstall table is then released.
bool LoadUninstallManifest(CFile& file);

// Writes the uninstall header and its valid records to strTempPath through
// file, flushes, and only then replaces strPath with it. On any failure the
// old manifest stays as it was and the temporary file is removed. True when
// strPath now holds the new manifest. Leaves file closed.
bool SaveUninstallManifest(CFile& file, const std::string& strPath, const std::string& strTempPath);

// Releases both tables and sets their pointers to null.
void FreeManifestTables();
