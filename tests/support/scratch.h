// Throwaway folders and file helpers for tests, in Windows-form paths (code
// page bytes, backslash separators) on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

// A new empty folder under the temporary folder, removed with its contents
// when the object dies.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder, ending with a backslash.
    const std::string& Path() const { return m_strPath; }
    std::string operator/(const std::string& strRelative) const { return m_strPath + strRelative; }

private:
    std::string m_strPath;
};

// Whole-file helpers over the services layer; they fail the current test on error.
void WriteBytes(const std::string& strPath, const std::string& strBytes);
std::string ReadBytes(const std::string& strPath);
bool FileExists(const std::string& strPath);
bool DirectoryExists(const std::string& strPath);
void MakeDirectory(const std::string& strPath);

// Compares file images; on a difference it says where, not the whole image.
testing::AssertionResult SameBytes(const std::string& strExpected, const std::string& strActual);

// n bytes of a pattern that differs with seed, so swapped or shifted data shows.
std::string PatternBytes(size_t n, uint32_t nSeed);

// Platform part: removes a file or folder tree, read-only files included.
void RemoveTree(const std::string& strPath);
// Platform part: a number unique to this process.
uint32_t ProcessId();
