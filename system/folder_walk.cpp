#include "folder_walk.h"

#include <algorithm>

void SortFolderItems(std::vector<FolderItem>& items) {
    // std::string compares as unsigned bytes, so the order is the same on every system.
    std::sort(items.begin(), items.end(), [](const FolderItem& a, const FolderItem& b) {
        if (a.bInCodePage != b.bInCodePage) return a.bInCodePage;
        return a.bInCodePage ? a.strName < b.strName : a.strUtf8Name < b.strUtf8Name;
    });
}
