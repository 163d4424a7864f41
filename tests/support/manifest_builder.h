// Builds manifest images byte by byte for tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "manifest.h"

inline FileEntry MakeEntry(const std::string& strPath, int32_t lAmount = 0, uint32_t dwInfo = 0) {
    FileEntry entry;
    std::memset(&entry, 0, sizeof entry);
    std::memcpy(entry.szPath, strPath.data(), std::min(strPath.size(), sizeof entry.szPath));
    entry.lAmount = lAmount;
    entry.dwInfo = dwInfo;
    return entry;
}

inline UpdateHeader MakeUpdateHeader(const std::string& strProduct, const std::string& strKey,
                                     const std::string& strValue, uint32_t dwCount) {
    UpdateHeader header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.szProductName, strProduct.data(), std::min<size_t>(strProduct.size(), 128));
    std::memcpy(header.szRegistryKey, strKey.data(), std::min<size_t>(strKey.size(), 128));
    std::memcpy(header.szRegistryValue, strValue.data(), std::min<size_t>(strValue.size(), 128));
    header.dwEntryCount = dwCount;
    return header;
}

template <typename Header>
std::string ManifestBytes(const Header& header, const std::vector<FileEntry>& entries) {
    std::string strBytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const FileEntry& entry : entries) {
        strBytes.append(reinterpret_cast<const char*>(&entry), sizeof entry);
    }
    return strBytes;
}

inline std::string UpdateManifestBytes(const std::string& strProduct, const std::string& strKey,
                                       const std::string& strValue,
                                       const std::vector<FileEntry>& entries) {
    return ManifestBytes(MakeUpdateHeader(strProduct, strKey, strValue,
                                          static_cast<uint32_t>(entries.size())),
                         entries);
}

// An uninstall header whose uninterpreted blocks carry a pattern, so that a
// round trip that loses or moves them shows.
inline UninstallHeader MakeUninstallHeader(uint32_t dwCount, uint32_t dwAdded = 0,
                                           int32_t lTotal = 0) {
    UninstallHeader header;
    for (size_t i = 0; i < sizeof header.abHead; ++i) header.abHead[i] = static_cast<uint8_t>(i * 7 + 1);
    for (size_t i = 0; i < sizeof header.abTail; ++i) header.abTail[i] = static_cast<uint8_t>(i * 13 + 5);
    header.dwEntryCount = dwCount;
    header.dwAddedCount = dwAdded;
    header.lTotalAmount = lTotal;
    return header;
}

inline std::string UninstallManifestBytes(const std::vector<FileEntry>& entries, uint32_t dwAdded = 0,
                                          int32_t lTotal = 0) {
    return ManifestBytes(MakeUninstallHeader(static_cast<uint32_t>(entries.size()), dwAdded, lTotal),
                         entries);
}
