// Copier faults that only POSIX lets a test cause: a source that shrinks
// while it is held for reading.
#include <gtest/gtest.h>

#include <unistd.h>

#include "copier.h"
#include "native_path_posix.h"
#include "support/manifest_builder.h"
#include "support/progress_probe.h"
#include "support/scratch.h"
#include "support/tables.h"

namespace {

TEST(CopierPosixTest, CopyEndingShortIsAFailureAndKeepsTheInstalledFile) {
    ScratchDir scratch;
    MakeDirectory(scratch / "data");
    MakeDirectory(scratch / "install");
    WriteBytes(scratch / "data\\f.bin", PatternBytes(250000, 3));
    WriteBytes(scratch / "install\\f.bin", "installed");
    UseTables({MakeEntry("f.bin", 1, 0)}, {});
    g_bCancel = 0;
    std::string strNative;
    ASSERT_TRUE(ToNativePath((scratch / "data\\f.bin").c_str(), strNative));
    ProgressProbe probe;
    // After the first chunk the source loses its tail, as a failing read would.
    probe.OnPosition([&](size_t n) {
        if (n == 2) {
            ASSERT_EQ(0, truncate(strNative.c_str(), 120000));
        }
    });
    EXPECT_FALSE(InstallEntries(probe.Handle(), (scratch / "install\\").c_str(), (scratch / "data\\").c_str()));
    EXPECT_EQ("installed", ReadBytes(scratch / "install\\f.bin"));
    EXPECT_FALSE(FileExists(scratch / "install\\f.bin.tmp"));
    EXPECT_EQ(0u, g_uninstallHeader.dwEntryCount);
    FreeManifestTables();
}

}  // namespace
