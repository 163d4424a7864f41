#include "images.h"

#include <cstddef>
#include <cstring>

#include "file.h"
#include "host_files.h"
#include "texts.h"
#include "validate.h"

namespace {

// About a million entries: far beyond a real manifest, and still an
// allocation that a 32-bit process gets.
const uint64_t kMaxManifestBytes = 256u << 20;

uint32_t ReadCount(const std::string& strBytes, uint32_t nOffset) {
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(strBytes[nOffset + i]);
    return n;
}

std::string Shorter(uint64_t nFileSize, uint32_t nHeaderSize) {
    return "the file is " + std::to_string(nFileSize) + " bytes, shorter than the " + std::to_string(nHeaderSize) +
           "-byte header";
}

std::string CountBeyond(uint64_t nFileSize, uint32_t nHeaderSize, uint32_t nCount) {
    return "the header counts " + Counted(nCount, "entry", "entries") + " (" +
           std::to_string(static_cast<uint64_t>(nCount) * FILE_ENTRY_SIZE) + " bytes), but the file has " +
           std::to_string(nFileSize - nHeaderSize) + " bytes after its " + std::to_string(nHeaderSize) +
           "-byte header";
}

std::string EntryPrefix(size_t i, const FileEntry& entry) {
    const size_t n = strnlen(entry.szPath, sizeof entry.szPath);
    return "entry " + std::to_string(i) + " '" + ShowCp932(std::string(entry.szPath, n)) + "': ";
}

// Which header text lacks its NUL, to go with the program's description.
std::string UnterminatedField(const UpdateHeader& header) {
    if (!std::memchr(header.szProductName, 0, sizeof header.szProductName)) return "product name";
    if (!std::memchr(header.szRegistryKey, 0, sizeof header.szRegistryKey)) return "registry key";
    return "registry value";
}

std::vector<FileEntry> Records(const std::string& strBytes, uint32_t nHeaderSize, uint32_t nCount) {
    std::vector<FileEntry> entries(nCount);
    if (nCount > 0) std::memcpy(entries.data(), strBytes.data() + nHeaderSize, size_t{nCount} * FILE_ENTRY_SIZE);
    return entries;
}

std::vector<std::string> ParseImage(const std::string& strBytes, uint64_t nSize, UpdateImage& image) {
    return ParseUpdateImage(strBytes, nSize, image);
}

std::vector<std::string> ParseImage(const std::string& strBytes, uint64_t nSize, UninstallImage& image) {
    return ParseUninstallImage(strBytes, nSize, image);
}

template <typename Image>
bool WriteAndVerify(const std::string& strOut, const Image& image, std::string& strError,
                    bool (*loaderAgrees)(const std::string&, const Image&, std::string&)) {
    const std::string strBytes = ImageBytes(image);
    const std::string strTemp = TempPathBeside(strOut);
    std::string strReadBack;
    uint64_t nSize = 0;
    bool bOk = WriteHostFile(strTemp, strBytes, strError);
    if (bOk && !ReadHostFile(strTemp, kMaxManifestBytes, strReadBack, nSize, strError)) bOk = false;
    if (bOk && strReadBack != strBytes) {
        strError = "the written file reads back differently";
        bOk = false;
    }
    if (bOk) {
        Image parsed;
        const std::vector<std::string> problems = ParseImage(strReadBack, nSize, parsed);
        if (!problems.empty()) {
            strError = "the program would refuse the written file: " + problems.front();
            bOk = false;
        }
    }
    if (bOk) bOk = loaderAgrees(strTemp, image, strError);
    if (bOk && !ReplaceHostFile(strTemp, strOut, strError)) bOk = false;
    if (!bOk) RemoveHostFile(strTemp);
    return bOk;
}

enum LoaderAccess { LOADER_UNNAMED, LOADER_OPEN, LOADER_UNOPENED };

// Opens the file for the loader under its system code page name.
LoaderAccess OpenForLoader(const std::string& strPath, CFile& file) {
    std::string strSystem;
    if (!SystemFormOfPath(strPath, strSystem)) return LOADER_UNNAMED;
    return file.Open(strSystem, 0) ? LOADER_OPEN : LOADER_UNOPENED;
}

// Opens the written file for the loader; true without opening it when the
// system code page cannot name it (its bytes were checked already).
bool OpenWrittenForLoader(const std::string& strPath, CFile& file, std::string& strError) {
    switch (OpenForLoader(strPath, file)) {
        case LOADER_OPEN: return true;
        case LOADER_UNNAMED: return true;
        case LOADER_UNOPENED: break;
    }
    strError = "cannot open the written file for the program's loader";
    return false;
}

bool SameEntries(const FileEntry* pLoaded, const std::vector<FileEntry>& entries) {
    return entries.empty() || std::memcmp(pLoaded, entries.data(), entries.size() * FILE_ENTRY_SIZE) == 0;
}

bool UpdateLoaderAgrees(const std::string& strPath, const UpdateImage& image, std::string& strError) {
    CFile file;
    if (!OpenWrittenForLoader(strPath, file, strError)) return false;
    if (file.m_nMode != 1) return true;
    bool bOk = LoadUpdateManifest(file);
    if (!bOk) {
        strError = "the program's loader refuses the written file";
    } else if (std::memcmp(&g_updateHeader, &image.header, UPDATE_HEADER_SIZE) != 0 ||
               !SameEntries(g_pUpdateEntries, image.entries)) {
        strError = "the program's loader reads the written file differently";
        bOk = false;
    }
    FreeManifestTables();
    return bOk;
}

bool UninstallLoaderAgrees(const std::string& strPath, const UninstallImage& image, std::string& strError) {
    CFile file;
    if (!OpenWrittenForLoader(strPath, file, strError)) return false;
    if (file.m_nMode != 1) return true;
    // The uninstall table's room counts the update's entries: none here.
    std::memset(&g_updateHeader, 0, sizeof g_updateHeader);
    bool bOk = LoadUninstallManifest(file);
    if (!bOk) {
        strError = "the program's loader refuses the written file";
    } else if (std::memcmp(&g_uninstallHeader, &image.header, UNINSTALL_HEADER_SIZE) != 0 ||
               !SameEntries(g_pUninstallEntries, image.entries)) {
        strError = "the program's loader reads the written file differently";
        bOk = false;
    }
    FreeManifestTables();
    return bOk;
}

}  // namespace

bool ReadManifestFile(const std::string& strPath, uint32_t nHeaderSize, uint32_t nCountOffset,
                      std::string& strBytes, uint64_t& nFileSize, std::string& strError) {
    if (!ReadHostFile(strPath, nHeaderSize, strBytes, nFileSize, strError)) return false;
    if (strBytes.size() < nHeaderSize) return true;
    const uint32_t nCount = ReadCount(strBytes, nCountOffset);
    // A count beyond the file is for the parser to name; nothing more to read.
    if (!RecordsFit(nFileSize, nHeaderSize, nCount)) return true;
    const uint64_t nWanted = nHeaderSize + static_cast<uint64_t>(nCount) * FILE_ENTRY_SIZE;
    if (nWanted > kMaxManifestBytes) {
        strError = "the header counts " + Counted(nCount, "entry", "entries") + ", more than this tool reads";
        return false;
    }
    if (!ReadHostFile(strPath, nWanted, strBytes, nFileSize, strError)) return false;
    if (strBytes.size() < nWanted) {
        strError = "the file shrank while being read";
        return false;
    }
    return true;
}

std::vector<std::string> ParseUpdateImage(const std::string& strBytes, uint64_t nFileSize, UpdateImage& image) {
    std::vector<std::string> problems;
    if (nFileSize < UPDATE_HEADER_SIZE || strBytes.size() < UPDATE_HEADER_SIZE) {
        problems.push_back(Shorter(nFileSize, UPDATE_HEADER_SIZE));
        return problems;
    }
    std::memcpy(&image.header, strBytes.data(), UPDATE_HEADER_SIZE);
    const uint32_t nCount = image.header.dwEntryCount;
    if (!RecordsFit(nFileSize, UPDATE_HEADER_SIZE, nCount) ||
        strBytes.size() < UPDATE_HEADER_SIZE + static_cast<uint64_t>(nCount) * FILE_ENTRY_SIZE) {
        problems.push_back(CountBeyond(nFileSize, UPDATE_HEADER_SIZE, nCount));
        return problems;
    }
    const HeaderProblem headerProblem = CheckUpdateHeader(image.header);
    if (headerProblem == HEADER_UNTERMINATED_TEXT) {
        problems.push_back(std::string(DescribeHeaderProblem(headerProblem)) + " (the " +
                           UnterminatedField(image.header) + ")");
    } else if (headerProblem != HEADER_OK) {
        problems.push_back(std::string(DescribeHeaderProblem(headerProblem)) + " (" +
                           std::to_string(std::strlen(image.header.szProductName)) + " bytes)");
    }
    image.entries = Records(strBytes, UPDATE_HEADER_SIZE, nCount);
    for (size_t i = 0; i < image.entries.size(); ++i) {
        const PathProblem pathProblem = CheckUpdatePath(image.entries[i]);
        if (pathProblem != PATH_OK) problems.push_back(EntryPrefix(i, image.entries[i]) + DescribePathProblem(pathProblem));
    }
    return problems;
}

std::vector<std::string> ParseUninstallImage(const std::string& strBytes, uint64_t nFileSize,
                                             UninstallImage& image) {
    std::vector<std::string> problems;
    if (nFileSize < UNINSTALL_HEADER_SIZE || strBytes.size() < UNINSTALL_HEADER_SIZE) {
        problems.push_back(Shorter(nFileSize, UNINSTALL_HEADER_SIZE));
        return problems;
    }
    std::memcpy(&image.header, strBytes.data(), UNINSTALL_HEADER_SIZE);
    const uint32_t nCount = image.header.dwEntryCount;
    if (!RecordsFit(nFileSize, UNINSTALL_HEADER_SIZE, nCount) ||
        strBytes.size() < UNINSTALL_HEADER_SIZE + static_cast<uint64_t>(nCount) * FILE_ENTRY_SIZE) {
        problems.push_back(CountBeyond(nFileSize, UNINSTALL_HEADER_SIZE, nCount));
        return problems;
    }
    image.entries = Records(strBytes, UNINSTALL_HEADER_SIZE, nCount);
    for (size_t i = 0; i < image.entries.size(); ++i) {
        if (!std::memchr(image.entries[i].szPath, 0, sizeof image.entries[i].szPath)) {
            problems.push_back(EntryPrefix(i, image.entries[i]) + DescribePathProblem(PATH_UNTERMINATED));
        }
    }
    return problems;
}

std::string ImageBytes(const UpdateImage& image) {
    std::string strBytes(reinterpret_cast<const char*>(&image.header), UPDATE_HEADER_SIZE);
    if (!image.entries.empty()) {
        strBytes.append(reinterpret_cast<const char*>(image.entries.data()), image.entries.size() * FILE_ENTRY_SIZE);
    }
    return strBytes;
}

std::string ImageBytes(const UninstallImage& image) {
    std::string strBytes(reinterpret_cast<const char*>(&image.header), UNINSTALL_HEADER_SIZE);
    if (!image.entries.empty()) {
        strBytes.append(reinterpret_cast<const char*>(image.entries.data()), image.entries.size() * FILE_ENTRY_SIZE);
    }
    return strBytes;
}

bool WriteManifest(const std::string& strOut, const UpdateImage& image, std::string& strError) {
    return WriteAndVerify<UpdateImage>(strOut, image, strError, UpdateLoaderAgrees);
}

bool WriteManifest(const std::string& strOut, const UninstallImage& image, std::string& strError) {
    return WriteAndVerify<UninstallImage>(strOut, image, strError, UninstallLoaderAgrees);
}

int UpdateLoaderAccepts(const std::string& strPath) {
    CFile file;
    if (OpenForLoader(strPath, file) != LOADER_OPEN) return -1;
    const bool bAccepted = LoadUpdateManifest(file);
    FreeManifestTables();
    return bAccepted ? 1 : 0;
}
