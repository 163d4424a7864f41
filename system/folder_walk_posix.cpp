// Folder listing with opendir/readdir; names are taken as UTF-8.
#include "folder_walk.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "cp932_text.h"

ItemKind KindOfPath(const std::string& strPath, uint64_t* pnSize) {
    struct stat st;
    if (stat(strPath.c_str(), &st) != 0) {
        struct stat stLink;
        // A link whose target is missing is there, but is no file.
        return lstat(strPath.c_str(), &stLink) == 0 ? ITEM_OTHER : ITEM_MISSING;
    }
    if (S_ISDIR(st.st_mode)) return ITEM_FOLDER;
    if (!S_ISREG(st.st_mode)) return ITEM_OTHER;
    if (pnSize != nullptr) *pnSize = static_cast<uint64_t>(st.st_size);
    return ITEM_FILE;
}

bool ListFolder(const std::string& strFolder, std::vector<FolderItem>& items, std::string& strError) {
    items.clear();
    DIR* pDir = opendir(strFolder.c_str());
    if (pDir == nullptr) {
        strError = std::strerror(errno);
        return false;
    }
    const std::string strPrefix = (!strFolder.empty() && strFolder.back() == '/') ? strFolder : strFolder + "/";
    for (;;) {
        errno = 0;
        const dirent* pEntry = readdir(pDir);
        if (pEntry == nullptr) break;
        const std::string strName = pEntry->d_name;
        if (strName == "." || strName == "..") continue;
        FolderItem item;
        item.strUtf8Name = strName;
        item.nSize = 0;
        item.bInCodePage = Utf8ToCp932(strName, item.strName);
        if (!item.bInCodePage) item.strName.clear();
        item.kind = KindOfPath(strPrefix + strName, &item.nSize);
        struct stat stLink;
        item.bLink = lstat((strPrefix + strName).c_str(), &stLink) == 0 && S_ISLNK(stLink.st_mode);
        items.push_back(item);
    }
    const int nError = errno;
    closedir(pDir);
    if (nError != 0) {
        strError = std::strerror(nError);
        items.clear();
        return false;
    }
    SortFolderItems(items);
    return true;
}
