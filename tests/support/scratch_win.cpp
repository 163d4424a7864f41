#include "support/scratch.h"
#include "winapi.h"

void RemoveTree(const std::string& strPath) {
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(strPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(strPath.c_str());
        return;
    }
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA((strPath + "\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            const std::string strName = data.cFileName;
            if (strName != "." && strName != "..") RemoveTree(strPath + "\\" + strName);
        } while (FindNextFileA(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryA(strPath.c_str());
}

uint32_t ProcessId() { return GetCurrentProcessId(); }
