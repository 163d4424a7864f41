#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include "native_path_posix.h"
#include "support/scratch.h"

namespace {

int RemoveEntry(const char* pszPath, const struct stat*, int, struct FTW*) {
    return remove(pszPath);
}

}  // namespace

void RemoveTree(const std::string& strPath) {
    std::string strNative;
    if (!ToNativePath(strPath.c_str(), strNative) || strNative.empty()) return;
    nftw(strNative.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

uint32_t ProcessId() { return static_cast<uint32_t>(getpid()); }
