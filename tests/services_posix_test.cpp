// The POSIX implementation of the services: what Windows does that POSIX
// would not do by itself.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "native_path_posix.h"
#include "support/scratch.h"
#include "winapi.h"

namespace {

std::string Native(const std::string& strPath) {
    std::string strNative;
    EXPECT_TRUE(ToNativePath(strPath.c_str(), strNative)) << strPath;
    return strNative;
}

TEST(ServicesPosixTest, LocaleDecidesTheCodePage) {
    const std::pair<const char*, UINT> cases[] = {
        {"ja_JP.UTF-8", 932}, {"ja_JP", 932},      {"zh_CN.UTF-8", 936}, {"zh_TW.UTF-8", 950},
        {"zh_HK", 950},       {"ko_KR.UTF-8", 949}, {"en_US.UTF-8", 1252}, {"de_DE@euro", 1252},
        {"ru_RU.UTF-8", 1251}, {"", 932},           {"C", 932},           {"C.UTF-8", 932},
        {"POSIX", 932},       {"jab_XX", 1252},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, CodePageOfLocale(c.first)) << c.first;
}

TEST(ServicesPosixTest, PathsBecomeUtf8WithSlashes) {
    EXPECT_EQ("/tmp/a/b", Native("\\tmp\\a\\b"));
    EXPECT_EQ("/tmp/x", Native("Z:\\tmp\\x"));
    EXPECT_EQ("/tmp/x", Native("c:/tmp/x"));
    EXPECT_EQ("", Native("C:"));
    // 表 keeps its second byte; the following backslash separates.
    EXPECT_EQ("/tmp/\xE8\xA1\xA8/\xE5\xAD\x90", Native("\\tmp\\\x95\x5C\\\x8E\x71"));
    EXPECT_EQ("\xEF\xBD\xB1/x", Native("\xB1\\x"));  // half-width ｱ
}

TEST(ServicesPosixTest, UnconvertibleNamesAreRefused) {
    std::string strNative;
    SetLastError(0);
    EXPECT_FALSE(ToNativePath("bad\x81\x20name", strNative));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA("bad\x81\x20name", GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(ServicesPosixTest, NamesRoundTripThroughTheFileSystem) {
    ScratchDir scratch;
    WriteBytes(scratch / "\x95\x5C.txt", "hyo");
    struct stat st;
    EXPECT_EQ(0, stat((Native(scratch.Path()) + "\xE8\xA1\xA8.txt").c_str(), &st));
    std::string strBack;
    ASSERT_TRUE(FromNativePath(Native(scratch / "\x95\x5C.txt"), strBack));
    EXPECT_EQ(scratch / "\x95\x5C.txt", strBack);
}

TEST(ServicesPosixTest, ModuleFileNameIsInWindowsForm) {
    char szPath[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ('\\', szPath[0]);
    EXPECT_EQ(std::string::npos, std::string(szPath).find('/'));
    char szExe[PATH_MAX];
    const ssize_t nExe = readlink("/proc/self/exe", szExe, sizeof szExe - 1);
    ASSERT_GT(nExe, 0);
    szExe[nExe] = '\0';
    EXPECT_EQ(std::string(szExe), Native(szPath));

    // Cut to the buffer with a terminator, as Windows does.
    char szSmall[4];
    EXPECT_EQ(4u, GetModuleFileNameA(nullptr, szSmall, sizeof szSmall));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(std::string(szPath, 3), std::string(szSmall));
}

TEST(ServicesPosixTest, ReadOnlyIsTheOwnerWriteBitAndStopsEvenRoot) {
    ScratchDir scratch;
    const std::string strFile = scratch / "ro.txt";
    WriteBytes(strFile, "keep");
    ASSERT_TRUE(SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_READONLY));
    struct stat st;
    ASSERT_EQ(0, stat(Native(strFile).c_str(), &st));
    EXPECT_EQ(0u, st.st_mode & 0222);
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY, GetFileAttributesA(strFile.c_str()));

    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(strFile.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_FALSE(DeleteFileA(strFile.c_str()));
    WriteBytes(scratch / "new.txt", "new");
    EXPECT_FALSE(MoveFileExA((scratch / "new.txt").c_str(), strFile.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ("keep", ReadBytes(strFile));

    ASSERT_TRUE(SetFileAttributesA(strFile.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, GetFileAttributesA(strFile.c_str()));
    EXPECT_TRUE(MoveFileExA((scratch / "new.txt").c_str(), strFile.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ("new", ReadBytes(strFile));
}

TEST(ServicesPosixTest, ErrorsFollowWindows) {
    ScratchDir scratch;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((scratch / "none").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA((scratch / "no\\such").c_str(), GENERIC_READ, 0,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(CreateDirectoryA(scratch.Path().c_str(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(CreateDirectoryA("", nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA(scratch.Path().c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    WriteBytes(scratch / "held", "x");
    HANDLE h = CreateFileA((scratch / "held").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA((scratch / "held").c_str(), GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_FALSE(DeleteFileA((scratch / "held").c_str()));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_TRUE(DeleteFileA((scratch / "held").c_str()));
}

TEST(ServicesPosixTest, FilePointerBeyond32BitsFailsWithoutAHighPart) {
    ScratchDir scratch;
    WriteBytes(scratch / "big", "x");
    HANDLE h = CreateFileA((scratch / "big").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    LONG lHigh = 1;
    EXPECT_EQ(0u, SetFilePointer(h, 0, &lHigh, FILE_BEGIN));
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(h, 0, nullptr, FILE_CURRENT));
    CloseHandle(h);
}

TEST(ServicesPosixTest, TempPathEndsWithASeparator) {
    char szTemp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, szTemp);
    ASSERT_GT(n, 0u);
    EXPECT_EQ('\\', szTemp[n - 1]);
    char szTiny[2];
    EXPECT_GT(GetTempPathA(sizeof szTiny, szTiny), 2u);
}

}  // namespace
