#include "merge.h"

#include <cstdint>
#include <cstring>

#include "manifest.h"

namespace {

const size_t kPathSize = sizeof(FileEntry::szPath);
unsigned char FoldByte(unsigned char b) { return (b >= 'A' && b <= 'Z') ? b + 0x20 : b; }

int32_t Wrapping(int32_t a, int32_t b, int32_t c) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b) - static_cast<uint32_t>(c));
}

}  // namespace

// Called only where the keys agree, so a plain walk is enough.
bool SameUninstallPath(const char* pszA, const char* pszB) {
    for (size_t i = 0; i < kPathSize; ++i) {
        const unsigned char a = static_cast<unsigned char>(pszA[i]);
        if (FoldByte(a) != FoldByte(static_cast<unsigned char>(pszB[i]))) return false;
        if (a == 0) return true;
    }
    // Neither ended within the record: equal over all 260 bytes.
    return true;
}

uint32_t UninstallPathKey(const char* pszPath) {
    // FNV-1a over the bytes that the comparison sees, folded as it folds them.
    uint32_t nKey = 2166136261u;
    for (size_t i = 0; i < kPathSize && pszPath[i] != '\0'; ++i) {
        nKey = (nKey ^ FoldByte(static_cast<unsigned char>(pszPath[i]))) * 16777619u;
    }
    return nKey;
}

void MergeUninstallEntry(const FileEntry& entry, bool bDirectory) {
    UninstallMerge merge;
    merge.Merge(entry, bDirectory);
}

UninstallMerge::UninstallMerge() { Rebuild(); }

void UninstallMerge::Rebuild() {
    m_keys.clear();
    m_keys.reserve(static_cast<size_t>(g_uninstallHeader.dwEntryCount) + g_updateHeader.dwEntryCount);
    for (uint32_t j = 0; j < g_uninstallHeader.dwEntryCount; ++j) {
        m_keys.push_back(UninstallPathKey(g_pUninstallEntries[j].szPath));
    }
}

uint32_t UninstallMerge::FindRecord(const FileEntry& entry, uint32_t nKey) const {
    const uint32_t* pKeys = m_keys.data();
    const uint32_t nCount = g_uninstallHeader.dwEntryCount;
    uint32_t j = 0;
    while (j < nCount) {
        // Eight keys at a time, without a branch per key: most blocks hold
        // no candidate, and the compiler can compare them side by side.
        if (j + 8 <= nCount) {
            const uint32_t* p = pKeys + j;
            const bool bAny = (p[0] == nKey) | (p[1] == nKey) | (p[2] == nKey) | (p[3] == nKey) |
                              (p[4] == nKey) | (p[5] == nKey) | (p[6] == nKey) | (p[7] == nKey);
            if (!bAny) {
                j += 8;
                continue;
            }
        }
        const uint32_t nEnd = j + 8 < nCount ? j + 8 : nCount;
        for (; j < nEnd; ++j) {
            if (pKeys[j] == nKey && SameUninstallPath(entry.szPath, g_pUninstallEntries[j].szPath)) return j;
        }
    }
    return nCount;
}

void UninstallMerge::Merge(const FileEntry& entry, bool bDirectory) {
    UninstallHeader& header = g_uninstallHeader;
    // Someone else changed the table's length: the keys no longer describe it.
    if (m_keys.size() != header.dwEntryCount) Rebuild();
    const uint32_t nKey = UninstallPathKey(entry.szPath);
    const uint32_t j = FindRecord(entry, nKey);
    if (j < header.dwEntryCount) {
        FileEntry& record = g_pUninstallEntries[j];
        if (!bDirectory) {
            header.lTotalAmount = Wrapping(header.lTotalAmount, entry.lAmount, record.lAmount);
            record.lAmount = entry.lAmount;
            record.dwInfo = entry.dwInfo;
        }
        return;
    }
    FileEntry& record = g_pUninstallEntries[header.dwEntryCount];
    // Copied up to the terminator; the rest is zeroed so no stale bytes reach the file.
    const void* pNul = std::memchr(entry.szPath, '\0', kPathSize);
    const size_t nCopy = pNul != nullptr ? static_cast<size_t>(static_cast<const char*>(pNul) - entry.szPath) + 1 : kPathSize;
    std::memcpy(record.szPath, entry.szPath, nCopy);
    std::memset(record.szPath + nCopy, 0, kPathSize - nCopy);
    record.lAmount = entry.lAmount;
    record.dwInfo = entry.dwInfo;
    if (!bDirectory) {
        ++header.dwAddedCount;
        header.lTotalAmount = Wrapping(header.lTotalAmount, entry.lAmount, 0);
    }
    ++header.dwEntryCount;
    m_keys.push_back(nKey);
}
