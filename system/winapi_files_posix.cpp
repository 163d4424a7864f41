// Files, directories, attributes, temporary folder and module path over POSIX.
// Share modes are honoured among the handles of this process; read-only is
// the owner's write bit, and it refuses writing even to root, as on Windows.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "native_path_posix.h"
#include "winapi.h"

namespace {

struct FileObject {
    int fd;
    dev_t dev;
    ino_t ino;
    DWORD dwAccess;
    DWORD dwShare;
};

// Open handles of this process, for the share-mode checks.
std::vector<FileObject*> g_openFiles;

thread_local DWORD t_dwLastError = ERROR_SUCCESS;

std::string g_strModuleOverride;

bool Fail(DWORD dwError) {
    SetLastError(dwError);
    return false;
}

bool FailErrno() { return Fail(ErrorFromErrno(errno)); }

HANDLE FailHandle(DWORD dwError) {
    SetLastError(dwError);
    return INVALID_HANDLE_VALUE;
}

DWORD FailCount(DWORD dwError) {
    SetLastError(dwError);
    return 0;
}

FileObject* FileOf(HANDLE h) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
    FileObject* pFile = static_cast<FileObject*>(h);
    return std::find(g_openFiles.begin(), g_openFiles.end(), pFile) != g_openFiles.end()
               ? pFile
               : nullptr;
}

bool Conflicts(const FileObject& open, DWORD dwAccess, DWORD dwShare) {
    return ((dwAccess & GENERIC_READ) && !(open.dwShare & FILE_SHARE_READ)) ||
           ((dwAccess & GENERIC_WRITE) && !(open.dwShare & FILE_SHARE_WRITE)) ||
           ((open.dwAccess & GENERIC_READ) && !(dwShare & FILE_SHARE_READ)) ||
           ((open.dwAccess & GENERIC_WRITE) && !(dwShare & FILE_SHARE_WRITE));
}

bool SharingAllows(const struct stat& st, DWORD dwAccess, DWORD dwShare) {
    for (const FileObject* pOpen : g_openFiles) {
        if (pOpen->dev == st.st_dev && pOpen->ino == st.st_ino &&
            Conflicts(*pOpen, dwAccess, dwShare)) {
            return false;
        }
    }
    return true;
}

// A file open in this process without FILE_SHARE_DELETE cannot be renamed or deleted.
bool IsHeldAgainstDelete(const struct stat& st) {
    for (const FileObject* pOpen : g_openFiles) {
        if (pOpen->dev == st.st_dev && pOpen->ino == st.st_ino &&
            !(pOpen->dwShare & FILE_SHARE_DELETE)) {
            return true;
        }
    }
    return false;
}

bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

// ENOENT for a name whose folder is missing is a path, not a file, error.
DWORD MissingError(const std::string& strNative) {
    const size_t nSlash = strNative.find_last_of('/');
    if (nSlash == std::string::npos || nSlash == 0) return ERROR_FILE_NOT_FOUND;
    struct stat st;
    if (stat(strNative.substr(0, nSlash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return ERROR_PATH_NOT_FOUND;
    }
    return ERROR_FILE_NOT_FOUND;
}

bool CopyOut(const std::string& str, LPSTR pBuffer, DWORD nSize, DWORD& dwResult) {
    if (str.size() < nSize) {
        std::memcpy(pBuffer, str.c_str(), str.size() + 1);
        dwResult = static_cast<DWORD>(str.size());
        return true;
    }
    return false;
}

}  // namespace

DWORD GetLastError() { return t_dwLastError; }

void SetLastError(DWORD dwError) { t_dwLastError = dwError; }

HANDLE CreateFileA(LPCSTR pszName, DWORD dwAccess, DWORD dwShare, LPSECURITY_ATTRIBUTES,
                   DWORD dwDisposition, DWORD dwFlags, HANDLE) {
    std::string strNative;
    if (!ToNativePath(pszName, strNative)) return INVALID_HANDLE_VALUE;
    const bool bTruncate = dwDisposition == CREATE_ALWAYS || dwDisposition == TRUNCATE_EXISTING;
    int nAccess = O_RDONLY;
    if ((dwAccess & GENERIC_READ) && (dwAccess & GENERIC_WRITE)) {
        nAccess = O_RDWR;
    } else if (dwAccess & GENERIC_WRITE) {
        nAccess = O_WRONLY;
    }
    // Emptying needs write access here; Windows lets a reader replace a file too.
    if (bTruncate && nAccess == O_RDONLY) nAccess = O_RDWR;
    const mode_t mode = (dwFlags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

    // An existing file is opened as it is and emptied only after the share
    // and read-only checks, so a refused open changes nothing.
    int fd = -1;
    bool bCreated = false;
    switch (dwDisposition) {
        case CREATE_NEW:
        case CREATE_ALWAYS:
        case OPEN_ALWAYS:
            fd = open(strNative.c_str(), nAccess | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            bCreated = fd >= 0;
            if (fd < 0 && errno == EEXIST) {
                if (dwDisposition == CREATE_NEW) return FailHandle(ERROR_FILE_EXISTS);
                fd = open(strNative.c_str(), nAccess | O_CLOEXEC);
            }
            break;
        case OPEN_EXISTING:
        case TRUNCATE_EXISTING:
            fd = open(strNative.c_str(), nAccess | O_CLOEXEC);
            break;
        default:
            return FailHandle(ERROR_INVALID_PARAMETER);
    }
    if (fd < 0) {
        if (errno == ENOENT) return FailHandle(MissingError(strNative));
        return FailHandle(ErrorFromErrno(errno));
    }
    struct stat st;
    DWORD dwError = ERROR_SUCCESS;
    if (fstat(fd, &st) != 0) {
        dwError = ErrorFromErrno(errno);
    } else if (S_ISDIR(st.st_mode)) {
        dwError = ERROR_ACCESS_DENIED;
    } else if (!bCreated && !SharingAllows(st, dwAccess, dwShare)) {
        dwError = ERROR_SHARING_VIOLATION;
    } else if (!bCreated && ((dwAccess & GENERIC_WRITE) || bTruncate) && IsReadOnly(st)) {
        dwError = ERROR_ACCESS_DENIED;
    } else if (!bCreated && bTruncate && st.st_size > 0 && ftruncate(fd, 0) != 0) {
        dwError = ErrorFromErrno(errno);
    }
    if (dwError != ERROR_SUCCESS) {
        close(fd);
        return FailHandle(dwError);
    }
    FileObject* pFile = new FileObject{fd, st.st_dev, st.st_ino, dwAccess, dwShare};
    g_openFiles.push_back(pFile);
    SetLastError(!bCreated && (dwDisposition == CREATE_ALWAYS || dwDisposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return pFile;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD pdwHigh) {
    FileObject* pFile = FileOf(hFile);
    struct stat st;
    if (pFile == nullptr || fstat(pFile->fd, &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    const uint64_t nSize = static_cast<uint64_t>(st.st_size);
    if (pdwHigh != nullptr) *pdwHigh = static_cast<DWORD>(nSize >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(nSize);
}

BOOL ReadFile(HANDLE hFile, LPVOID pBuffer, DWORD nCount, LPDWORD pdwRead, LPOVERLAPPED) {
    if (pdwRead != nullptr) *pdwRead = 0;
    FileObject* pFile = FileOf(hFile);
    if (pFile == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (!(pFile->dwAccess & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
    DWORD dwDone = 0;
    while (dwDone < nCount) {
        const ssize_t n = read(pFile->fd, static_cast<char*>(pBuffer) + dwDone, nCount - dwDone);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(ERROR_READ_FAULT);
        if (n == 0) break;
        dwDone += static_cast<DWORD>(n);
    }
    if (pdwRead != nullptr) *pdwRead = dwDone;
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID pBuffer, DWORD nCount, LPDWORD pdwWritten, LPOVERLAPPED) {
    if (pdwWritten != nullptr) *pdwWritten = 0;
    FileObject* pFile = FileOf(hFile);
    if (pFile == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (!(pFile->dwAccess & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
    DWORD dwDone = 0;
    while (dwDone < nCount) {
        const ssize_t n =
            write(pFile->fd, static_cast<const char*>(pBuffer) + dwDone, nCount - dwDone);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return FailErrno();
        dwDone += static_cast<DWORD>(n);
    }
    if (pdwWritten != nullptr) *pdwWritten = dwDone;
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistance, PLONG plDistanceHigh, DWORD dwMethod) {
    FileObject* pFile = FileOf(hFile);
    if (pFile == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t nDistance = lDistance;
    if (plDistanceHigh != nullptr) {
        nDistance = static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*plDistanceHigh)) << 32) |
                                         static_cast<uint32_t>(lDistance));
    }
    const int nWhence = dwMethod == FILE_BEGIN ? SEEK_SET : dwMethod == FILE_END ? SEEK_END : SEEK_CUR;
    const off_t nCurrent = lseek(pFile->fd, 0, SEEK_CUR);
    // Asking where the pointer is, as every step of a copy does, takes one call.
    if (nWhence == SEEK_CUR && nDistance == 0 && nCurrent >= 0 &&
        (plDistanceHigh != nullptr || nCurrent <= 0xFFFFFFFEll)) {
        if (plDistanceHigh != nullptr) *plDistanceHigh = static_cast<LONG>(static_cast<uint64_t>(nCurrent) >> 32);
        SetLastError(ERROR_SUCCESS);
        return static_cast<DWORD>(nCurrent);
    }
    off_t nBase = 0;
    if (nWhence == SEEK_CUR) nBase = nCurrent;
    struct stat st;
    if (nWhence == SEEK_END && fstat(pFile->fd, &st) == 0) nBase = st.st_size;
    const int64_t nTarget = static_cast<int64_t>(nBase) + nDistance;
    // Without a high part the result must fit in 32 bits (all ones means failure).
    if (nTarget < 0 || (plDistanceHigh == nullptr && nTarget > 0xFFFFFFFEll)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(pFile->fd, static_cast<off_t>(nTarget), SEEK_SET) < 0) {
        FailErrno();
        return INVALID_SET_FILE_POINTER;
    }
    if (plDistanceHigh != nullptr) *plDistanceHigh = static_cast<LONG>(static_cast<uint64_t>(nTarget) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(nTarget);
}

BOOL FlushFileBuffers(HANDLE hFile) {
    FileObject* pFile = FileOf(hFile);
    if (pFile == nullptr) return Fail(ERROR_INVALID_HANDLE);
    if (!(pFile->dwAccess & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
    if (fsync(pFile->fd) != 0) return FailErrno();
    return TRUE;
}

BOOL CloseHandle(HANDLE hObject) {
    FileObject* pFile = FileOf(hObject);
    if (pFile == nullptr) return Fail(ERROR_INVALID_HANDLE);
    g_openFiles.erase(std::find(g_openFiles.begin(), g_openFiles.end(), pFile));
    close(pFile->fd);
    delete pFile;
    return TRUE;
}

BOOL DeleteFileA(LPCSTR pszName) {
    std::string strNative;
    if (!ToNativePath(pszName, strNative)) return FALSE;
    struct stat st;
    if (lstat(strNative.c_str(), &st) != 0) return Fail(MissingError(strNative));
    if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return Fail(ERROR_ACCESS_DENIED);
    if (IsHeldAgainstDelete(st)) return Fail(ERROR_SHARING_VIOLATION);
    if (unlink(strNative.c_str()) != 0) return FailErrno();
    return TRUE;
}

BOOL MoveFileExA(LPCSTR pszExisting, LPCSTR pszNew, DWORD dwFlags) {
    std::string strFrom;
    std::string strTo;
    if (!ToNativePath(pszExisting, strFrom) || !ToNativePath(pszNew, strTo)) return FALSE;
    // Only an open handle can hold the file: with none, rename says the rest.
    struct stat stFrom;
    if (!g_openFiles.empty()) {
        if (lstat(strFrom.c_str(), &stFrom) != 0) return Fail(MissingError(strFrom));
        if (IsHeldAgainstDelete(stFrom)) return Fail(ERROR_SHARING_VIOLATION);
    }
    struct stat stTo;
    if (lstat(strTo.c_str(), &stTo) == 0) {
        if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
        if (S_ISDIR(stTo.st_mode) || IsReadOnly(stTo)) return Fail(ERROR_ACCESS_DENIED);
        if (IsHeldAgainstDelete(stTo)) return Fail(ERROR_SHARING_VIOLATION);
    }
    if (rename(strFrom.c_str(), strTo.c_str()) != 0) {
        return Fail(errno == ENOENT ? MissingError(strFrom) : ErrorFromErrno(errno));
    }
    if (dwFlags & MOVEFILE_WRITE_THROUGH) {
        const size_t nSlash = strTo.find_last_of('/');
        const std::string strDir = nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : strTo.substr(0, nSlash);
        const int fd = open(strDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pszName, LPSECURITY_ATTRIBUTES) {
    std::string strNative;
    if (!ToNativePath(pszName, strNative)) return FALSE;
    if (strNative.empty()) return Fail(ERROR_PATH_NOT_FOUND);
    if (mkdir(strNative.c_str(), 0777) != 0) {
        return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pszName) {
    std::string strNative;
    if (!ToNativePath(pszName, strNative)) return FALSE;
    if (rmdir(strNative.c_str()) != 0) return FailErrno();
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR pszName) {
    std::string strNative;
    if (!ToNativePath(pszName, strNative)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (stat(strNative.c_str(), &st) != 0) {
        SetLastError(errno == ENOENT ? MissingError(strNative) : ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return IsReadOnly(st) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesA(LPCSTR pszName, DWORD dwAttributes) {
    std::string strNative;
    if (!ToNativePath(pszName, strNative)) return FALSE;
    struct stat st;
    if (stat(strNative.c_str(), &st) != 0) {
        return Fail(errno == ENOENT ? MissingError(strNative) : ErrorFromErrno(errno));
    }
    // Hidden and system have no POSIX counterpart; folders keep their modes.
    if (S_ISDIR(st.st_mode)) return TRUE;
    const mode_t mode = (dwAttributes & FILE_ATTRIBUTE_READONLY)
                            ? (st.st_mode & 07777 & ~mode_t(0222))
                            : ((st.st_mode & 07777) | S_IWUSR);
    if (mode != (st.st_mode & 07777) && chmod(strNative.c_str(), mode) != 0) return FailErrno();
    return TRUE;
}

DWORD GetTempPathA(DWORD nSize, LPSTR pBuffer) {
    const char* pszTmp = std::getenv("TMPDIR");
    std::string strNative = (pszTmp != nullptr && pszTmp[0] == '/') ? pszTmp : "/tmp";
    if (strNative.back() != '/') strNative += '/';
    std::string strPath;
    if (!FromNativePath(strNative, strPath)) return 0;
    DWORD dwLength = 0;
    if (pBuffer != nullptr && CopyOut(strPath, pBuffer, nSize, dwLength)) return dwLength;
    return static_cast<DWORD>(strPath.size() + 1);
}

void OverrideModuleFileName(const std::string& strNativePath) { g_strModuleOverride = strNativePath; }

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR pBuffer, DWORD nSize) {
    if (hModule != nullptr) return FailCount(ERROR_INVALID_HANDLE);
    char szNative[PATH_MAX];
    if (!g_strModuleOverride.empty()) {
        std::snprintf(szNative, sizeof szNative, "%s", g_strModuleOverride.c_str());
    } else {
        const ssize_t n = readlink("/proc/self/exe", szNative, sizeof szNative - 1);
        if (n < 0) return FailCount(ErrorFromErrno(errno));
        szNative[n] = '\0';
    }
    std::string strPath;
    if (!FromNativePath(szNative, strPath)) return 0;
    DWORD dwLength = 0;
    if (CopyOut(strPath, pBuffer, nSize, dwLength)) {
        SetLastError(ERROR_SUCCESS);
        return dwLength;
    }
    // Cut to the buffer, as Windows does, and say so.
    if (nSize > 0) {
        std::memcpy(pBuffer, strPath.data(), nSize - 1);
        pBuffer[nSize - 1] = '\0';
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}
