#include "support/tool_fixture.h"

#include <cstring>
#include <sstream>

#include "file.h"
#include "folder_walk.h"
#include "host_files.h"
#include "tool.h"

ToolTest::ToolTest() {
    if (!MakeHostTempFolder("updtool-test-", m_strRoot)) ADD_FAILURE() << "no temporary folder";
}

ToolTest::~ToolTest() {
    FreeManifestTables();
    if (!m_strRoot.empty()) RemoveHostTree(m_strRoot);
}

std::string ToolTest::Path(const std::string& strRelative) const {
    return strRelative.empty() ? m_strRoot : JoinHostPath(m_strRoot, strRelative);
}

void ToolTest::MakeFolder(const std::string& strRelative) {
    size_t nSlash = 0;
    // Each folder on the way first.
    while ((nSlash = strRelative.find('/', nSlash + 1)) != std::string::npos) {
        MakeHostFolder(Path(strRelative.substr(0, nSlash)));
    }
    ASSERT_TRUE(MakeHostFolder(Path(strRelative))) << "cannot make folder " << strRelative;
}

void ToolTest::MakeFile(const std::string& strRelative, const std::string& strBytes) {
    const size_t nSlash = strRelative.rfind('/');
    if (nSlash != std::string::npos) MakeFolder(strRelative.substr(0, nSlash));
    std::string strError;
    ASSERT_TRUE(WriteHostFile(Path(strRelative), strBytes, strError)) << strRelative << ": " << strError;
}

std::string ToolTest::Read(const std::string& strRelative) {
    std::string strBytes;
    std::string strError;
    uint64_t nSize = 0;
    EXPECT_TRUE(ReadHostFile(Path(strRelative), UINT32_MAX, strBytes, nSize, strError))
        << strRelative << ": " << strError;
    return strBytes;
}

void ToolTest::Remove(const std::string& strRelative) { RemoveHostTree(Path(strRelative)); }

bool ToolTest::Exists(const std::string& strRelative) const { return KindOfPath(Path(strRelative)) != ITEM_MISSING; }

std::vector<std::string> ToolTest::Names(const std::string& strRelative) {
    std::vector<FolderItem> items;
    std::string strError;
    EXPECT_TRUE(ListFolder(Path(strRelative), items, strError)) << strError;
    std::vector<std::string> names;
    for (const FolderItem& item : items) names.push_back(item.strUtf8Name);
    return names;
}

ToolResult ToolTest::Run(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int nExit = RunTool(args, out, err);
    return ToolResult{nExit, out.str(), err.str()};
}

namespace {

bool OpenForLoader(const std::string& strPath, CFile& file) {
    std::string strSystem;
    if (!SystemFormOfPath(strPath, strSystem)) {
        ADD_FAILURE() << "no system code page name for " << strPath;
        return false;
    }
    if (!file.Open(strSystem, 0)) {
        ADD_FAILURE() << "cannot open " << strPath;
        return false;
    }
    return true;
}

}  // namespace

std::vector<FileEntry> ToolTest::LoadUpdate(const std::string& strRelative, UpdateHeader* pHeader) {
    CFile file;
    if (!OpenForLoader(Path(strRelative), file)) return {};
    if (!LoadUpdateManifest(file)) {
        ADD_FAILURE() << "the program's loader refuses " << strRelative;
        return {};
    }
    if (pHeader != nullptr) *pHeader = g_updateHeader;
    std::vector<FileEntry> entries(g_pUpdateEntries, g_pUpdateEntries + g_updateHeader.dwEntryCount);
    FreeManifestTables();
    return entries;
}

std::vector<FileEntry> ToolTest::LoadUninstall(const std::string& strRelative, UninstallHeader* pHeader) {
    CFile file;
    if (!OpenForLoader(Path(strRelative), file)) return {};
    std::memset(&g_updateHeader, 0, sizeof g_updateHeader);
    if (!LoadUninstallManifest(file)) {
        ADD_FAILURE() << "the program's loader refuses " << strRelative;
        return {};
    }
    if (pHeader != nullptr) *pHeader = g_uninstallHeader;
    std::vector<FileEntry> entries(g_pUninstallEntries, g_pUninstallEntries + g_uninstallHeader.dwEntryCount);
    FreeManifestTables();
    return entries;
}

std::vector<std::string> PathsOf(const std::vector<FileEntry>& entries) {
    std::vector<std::string> paths;
    for (const FileEntry& entry : entries) paths.emplace_back(entry.szPath, strnlen(entry.szPath, sizeof entry.szPath));
    return paths;
}
