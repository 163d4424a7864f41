// Sets the manifest globals directly, as the loaders would leave them.
#pragma once

#include <cstring>
#include <vector>

#include "manifest.h"

inline void UseTables(const std::vector<FileEntry>& update, const std::vector<FileEntry>& uninstall) {
    FreeManifestTables();
    std::memset(&g_updateHeader, 0, sizeof g_updateHeader);
    std::memset(&g_uninstallHeader, 0, sizeof g_uninstallHeader);
    g_updateHeader.dwEntryCount = static_cast<uint32_t>(update.size());
    g_pUpdateEntries = new FileEntry[update.size()];
    if (!update.empty()) std::memcpy(g_pUpdateEntries, update.data(), update.size() * sizeof(FileEntry));
    // Exactly the capacity the loader gives, so the sanitizer sees any overrun.
    g_uninstallHeader.dwEntryCount = static_cast<uint32_t>(uninstall.size());
    g_pUninstallEntries = new FileEntry[uninstall.size() + update.size()];
    if (!uninstall.empty()) std::memcpy(g_pUninstallEntries, uninstall.data(), uninstall.size() * sizeof(FileEntry));
}

inline std::vector<FileEntry> UninstallRecords() {
    return std::vector<FileEntry>(g_pUninstallEntries, g_pUninstallEntries + g_uninstallHeader.dwEntryCount);
}
