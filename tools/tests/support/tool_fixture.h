// A throwaway folder with UTF-8 names for the tool's tests, and the tool's
// commands run over it with their output captured.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "manifest.h"

struct ToolResult {
    int nExit;
    std::string strOut;
    std::string strErr;
};

class ToolTest : public testing::Test {
protected:
    ToolTest();
    ~ToolTest() override;

    // strRelative uses '/' between folders; it may be empty for the folder itself.
    std::string Path(const std::string& strRelative) const;
    void MakeFolder(const std::string& strRelative);
    // Makes the file and any folders on its way.
    void MakeFile(const std::string& strRelative, const std::string& strBytes);
    std::string Read(const std::string& strRelative);
    // Removes a file or a folder with its contents.
    void Remove(const std::string& strRelative);
    bool Exists(const std::string& strRelative) const;
    // Names directly in the folder, sorted.
    std::vector<std::string> Names(const std::string& strRelative);

    // RunTool with output captured.
    static ToolResult Run(const std::vector<std::string>& args);

    // The program's loaders over a file of the scratch folder, through CFile.
    std::vector<FileEntry> LoadUpdate(const std::string& strRelative, UpdateHeader* pHeader = nullptr);
    std::vector<FileEntry> LoadUninstall(const std::string& strRelative, UninstallHeader* pHeader = nullptr);

    std::string m_strRoot;
};

// Entry paths of records, for comparing with expected lists.
std::vector<std::string> PathsOf(const std::vector<FileEntry>& entries);

// The updtool executable built beside the tests, run with args; its streams
// go to the two files. Its exit code, or -1 when it could not be run.
int RunUpdtoolProgram(const std::vector<std::string>& args, const std::string& strOutFile,
                      const std::string& strErrFile);
