// Folder listing with FindFirstFileW/FindNextFileW.
#include "folder_walk.h"

#include "cp932_text.h"
#include "wide_text_win.h"

ItemKind KindOfPath(const std::string& strPath, uint64_t* pnSize) {
    const std::wstring strWide = WideFileName(strPath);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (strWide.empty() || !GetFileAttributesExW(strWide.c_str(), GetFileExInfoStandard, &data)) {
        return ITEM_MISSING;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return ITEM_FOLDER;
    if (pnSize != nullptr) {
        *pnSize = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return ITEM_FILE;
}

bool ListFolder(const std::string& strFolder, std::vector<FolderItem>& items, std::string& strError) {
    items.clear();
    std::wstring strPattern = WideFileName(strFolder);
    if (strPattern.empty()) {
        strError = ErrorText(ERROR_INVALID_NAME);
        return false;
    }
    if (strPattern.back() != L'\\') strPattern += L'\\';
    strPattern += L'*';
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(strPattern.c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) {
        strError = ErrorText(GetLastError());
        return false;
    }
    do {
        const std::wstring strName = data.cFileName;
        if (strName == L"." || strName == L"..") continue;
        FolderItem item;
        item.nSize = 0;
        if (!WideToUtf8(strName, item.strUtf8Name)) {
            // A lone surrogate: shown with replacement characters, named by nothing else.
            const int n = WideCharToMultiByte(CP_UTF8, 0, strName.data(), static_cast<int>(strName.size()),
                                              nullptr, 0, nullptr, nullptr);
            item.strUtf8Name.assign(n > 0 ? static_cast<size_t>(n) : 0, '\0');
            if (n > 0) {
                WideCharToMultiByte(CP_UTF8, 0, strName.data(), static_cast<int>(strName.size()),
                                    &item.strUtf8Name[0], n, nullptr, nullptr);
            }
            item.bInCodePage = false;
        } else {
            item.bInCodePage = Utf8ToCp932(item.strUtf8Name, item.strName);
        }
        if (!item.bInCodePage) item.strName.clear();
        // Only links: other reparse points (cloud placeholders) hold their own contents.
        item.bLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                     (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK || data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            item.kind = ITEM_FOLDER;
        } else {
            item.kind = ITEM_FILE;
            item.nSize = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        }
        items.push_back(item);
    } while (FindNextFileW(hFind, &data));
    const DWORD dwError = GetLastError();
    FindClose(hFind);
    if (dwError != ERROR_NO_MORE_FILES) {
        strError = ErrorText(dwError);
        items.clear();
        return false;
    }
    SortFolderItems(items);
    return true;
}
