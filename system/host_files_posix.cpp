// UTF-8 named files over POSIX, where names are UTF-8 bytes already.
#include "host_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "native_path_posix.h"

namespace {

bool Fail(std::string& strError) {
    strError = std::strerror(errno);
    return false;
}

int RemoveEntry(const char* pszPath, const struct stat*, int, struct FTW*) {
    remove(pszPath);
    return 0;
}

}  // namespace

bool ReadHostFile(const std::string& strPath, uint64_t nMaxBytes, std::string& strBytes,
                  uint64_t& nFileSize, std::string& strError) {
    strBytes.clear();
    const int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail(strError);
    struct stat st;
    if (fstat(fd, &st) != 0) {
        Fail(strError);
        close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        strError = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
        close(fd);
        return false;
    }
    nFileSize = static_cast<uint64_t>(st.st_size);
    const uint64_t nWanted = nFileSize < nMaxBytes ? nFileSize : nMaxBytes;
    strBytes.resize(static_cast<size_t>(nWanted));
    size_t nDone = 0;
    while (nDone < strBytes.size()) {
        const ssize_t n = read(fd, &strBytes[nDone], strBytes.size() - nDone);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(strError);
            close(fd);
            return false;
        }
        if (n == 0) break;  // shrunk while being read
        nDone += static_cast<size_t>(n);
    }
    strBytes.resize(nDone);
    close(fd);
    return true;
}

bool WriteHostFile(const std::string& strPath, const std::string& strBytes, std::string& strError) {
    const int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(strError);
    size_t nDone = 0;
    while (nDone < strBytes.size()) {
        const ssize_t n = write(fd, strBytes.data() + nDone, strBytes.size() - nDone);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            Fail(strError);
            close(fd);
            return false;
        }
        nDone += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) {
        Fail(strError);
        close(fd);
        return false;
    }
    return close(fd) == 0 || Fail(strError);
}

bool SetHostFileSize(const std::string& strPath, uint64_t nSize) {
    const int fd = open(strPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool bOk = ftruncate(fd, static_cast<off_t>(nSize)) == 0;
    return close(fd) == 0 && bOk;
}

bool ReplaceHostFile(const std::string& strFrom, const std::string& strTo, std::string& strError) {
    return rename(strFrom.c_str(), strTo.c_str()) == 0 || Fail(strError);
}

bool RemoveHostFile(const std::string& strPath) { return unlink(strPath.c_str()) == 0; }

bool MakeHostFolder(const std::string& strPath) {
    struct stat st;
    return mkdir(strPath.c_str(), 0777) == 0 || (stat(strPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

bool MakeHostFolderLink(const std::string& strTarget, const std::string& strLink) {
    return symlink(strTarget.c_str(), strLink.c_str()) == 0;
}

void RemoveHostTree(const std::string& strPath) {
    if (strPath.empty()) return;
    nftw(strPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool MakeHostTempFolder(const std::string& strPrefix, std::string& strPath) {
    const char* pszTmp = std::getenv("TMPDIR");
    std::string strTemplate = (pszTmp != nullptr && pszTmp[0] == '/') ? pszTmp : "/tmp";
    strTemplate = JoinHostPath(strTemplate, strPrefix + "XXXXXX");
    std::vector<char> buffer(strTemplate.begin(), strTemplate.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) return false;
    strPath = buffer.data();
    return true;
}

std::string TempPathBeside(const std::string& strPath) {
    return strPath + "." + std::to_string(static_cast<long>(getpid())) + ".tmp";
}

bool SystemFormOfPath(const std::string& strPath, std::string& strSystem) {
    // The services read a backslash as a separator: such a name has no form there.
    if (strPath.find('\\') != std::string::npos) return false;
    return FromNativePath(strPath, strSystem);
}

bool IsHostSeparator(char c) { return c == '/'; }

std::string JoinHostPath(const std::string& strFolder, const std::string& strName) {
    if (strFolder.empty()) return strName;
    return strFolder.back() == '/' ? strFolder + strName : strFolder + "/" + strName;
}
