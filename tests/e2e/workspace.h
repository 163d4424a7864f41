// What an end-to-end run stands on: texts in code page 932, throwaway folders,
// whole folder trees read back, and the product's registry key.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "support/registry_fixture.h"
#include "support/scratch.h"
#include "winapi.h"

namespace e2e {

// These sources are UTF-8; the program and the ANSI calls use code page 932.
std::string Sjis(const std::string& strUtf8);
// Back to UTF-8, for failure messages a person can read.
std::string Utf8(const std::string& strSjis);

// The folder of this test program, with a trailing backslash.
std::string TestProgramDir();
// The Update.exe built beside the tests (build/windows/flow).
std::string BuiltUpdateExe();
// build/windows/screenshots\, created when missing.
std::string ScreenshotDir();

// Whole-file helpers; they fail the current test on error.
void WriteBytes(const std::string& strPath, const std::string& strBytes);
std::string ReadBytes(const std::string& strPath);
void MakeDir(const std::string& strPath);
void CopyIn(const std::string& strFrom, const std::string& strTo);
DWORD Attributes(const std::string& strPath);

// Every file and folder below a folder, by relative path (code page 932,
// backslashes); folders end with a backslash and map to "".
using Tree = std::map<std::string, std::string>;
Tree ReadTree(const std::string& strDir);
// Names what is missing, extra or different, without dumping contents.
testing::AssertionResult SameTree(const Tree& expected, const Tree& actual);
testing::AssertionResult SameBytes(const std::string& strExpected, const std::string& strActual);

// A new empty folder under the temporary folder, removed with everything in
// it when the object dies (Path() ends with a backslash).
using Scratch = ::ScratchDir;

// The product's key: a throwaway key under HKEY_CURRENT_USER, shared with
// the unit tests.
using ProductKey = ::TestRegistryKey;

}  // namespace e2e
