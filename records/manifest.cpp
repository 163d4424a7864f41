#include "manifest.h"

#include "file.h"
#include "validate.h"
#include "winapi.h"

UpdateHeader g_updateHeader;
UninstallHeader g_uninstallHeader;
FileEntry* g_pUpdateEntries = nullptr;
FileEntry* g_pUninstallEntries = nullptr;

namespace {

void ReleaseTable(FileEntry*& pTable) {
    delete[] pTable;
    pTable = nullptr;
}

bool UpdateEntriesValid() {
    for (uint32_t i = 0; i < g_updateHeader.dwEntryCount; ++i) {
        if (CheckUpdatePath(g_pUpdateEntries[i]) != PATH_OK) return false;
    }
    return true;
}

}  // namespace

bool LoadUpdateManifest(CFile& file) {
    ReleaseTable(g_pUpdateEntries);
    if (file.Read(&g_updateHeader, UPDATE_HEADER_SIZE) != UPDATE_HEADER_SIZE) return false;
    const uint32_t nCount = g_updateHeader.dwEntryCount;
    // The length check comes first so that no count asks for more than the file holds.
    if (!RecordsFit(file.m_nLength, UPDATE_HEADER_SIZE, nCount)) return false;
    if (CheckUpdateHeader(g_updateHeader) != HEADER_OK) return false;
    g_pUpdateEntries = new FileEntry[nCount];
    const uint32_t nBytes = nCount * FILE_ENTRY_SIZE;
    if (file.Read(g_pUpdateEntries, nBytes) != nBytes || !UpdateEntriesValid()) {
        ReleaseTable(g_pUpdateEntries);
        return false;
    }
    return true;
}

bool LoadUninstallManifest(CFile& file) {
    ReleaseTable(g_pUninstallEntries);
    if (file.Read(&g_uninstallHeader, UNINSTALL_HEADER_SIZE) != UNINSTALL_HEADER_SIZE) return false;
    const uint32_t nCount = g_uninstallHeader.dwEntryCount;
    if (!RecordsFit(file.m_nLength, UNINSTALL_HEADER_SIZE, nCount)) return false;
    const uint64_t nCapacity = static_cast<uint64_t>(nCount) + g_updateHeader.dwEntryCount;
    if (nCapacity * FILE_ENTRY_SIZE > UINT32_MAX) return false;
    g_pUninstallEntries = new FileEntry[static_cast<size_t>(nCapacity)];
    const uint32_t nBytes = nCount * FILE_ENTRY_SIZE;
    if (file.Read(g_pUninstallEntries, nBytes) != nBytes) {
        ReleaseTable(g_pUninstallEntries);
        return false;
    }
    return true;
}

bool SaveUninstallManifest(CFile& file, const std::string& strPath, const std::string& strTempPath) {
    if (!file.Open(strTempPath, 1)) return false;
    const uint32_t nBytes = g_uninstallHeader.dwEntryCount * FILE_ENTRY_SIZE;
    const bool bWritten = file.Write(&g_uninstallHeader, UNINSTALL_HEADER_SIZE) == UNINSTALL_HEADER_SIZE &&
                          file.Write(g_pUninstallEntries, nBytes) == nBytes && file.Flush();
    file.Close();
    if (bWritten &&
        MoveFileExA(strTempPath.c_str(), strPath.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileA(strTempPath.c_str());
    return false;
}

void FreeManifestTables() {
    ReleaseTable(g_pUpdateEntries);
    ReleaseTable(g_pUninstallEntries);
}
