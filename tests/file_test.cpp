#include <gtest/gtest.h>

#include <string>

#include "file.h"
#include "support/scratch.h"

namespace {

TEST(FileTest, ClosedStreamMovesNothing) {
    CFile file;
    char buffer[16] = {};
    EXPECT_EQ(0, file.m_nMode);
    EXPECT_EQ(0u, file.m_nLength);
    EXPECT_EQ(0u, file.Read(buffer, sizeof buffer));
    EXPECT_EQ(0u, file.Write(buffer, sizeof buffer));
    EXPECT_EQ(0u, file.Tell());
    EXPECT_FALSE(file.Flush());
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(file.Close());
}

TEST(FileTest, OpenMissingFileForReadingFails) {
    ScratchDir scratch;
    CFile file;
    EXPECT_FALSE(file.Open(scratch / "missing.dat", 0));
    EXPECT_EQ(0, file.m_nMode);
    EXPECT_EQ(nullptr, file.m_hFile);
    EXPECT_FALSE(FileExists(scratch / "missing.dat"));
}

TEST(FileTest, ReadsInRequestsUpToTheEnd) {
    ScratchDir scratch;
    const std::string strData = PatternBytes(250, 1);
    WriteBytes(scratch / "a.bin", strData);
    CFile file;
    ASSERT_TRUE(file.Open(scratch / "a.bin", 0));
    EXPECT_EQ(250u, file.m_nLength);
    EXPECT_EQ(250u, file.m_nLimit);
    std::string strRead;
    char buffer[100];
    for (uint32_t nExpected : {100u, 100u, 50u, 0u}) {
        const uint32_t n = file.Read(buffer, sizeof buffer);
        EXPECT_EQ(nExpected, n);
        strRead.append(buffer, n);
    }
    EXPECT_EQ(strData, strRead);
    EXPECT_EQ(250u, file.m_nPosition);
    EXPECT_EQ(250u, file.Tell());
}

TEST(FileTest, EmptyFileReadsNothing) {
    ScratchDir scratch;
    WriteBytes(scratch / "empty", "");
    CFile file;
    ASSERT_TRUE(file.Open(scratch / "empty", 0));
    char buffer[8];
    EXPECT_EQ(0u, file.m_nLength);
    EXPECT_EQ(0u, file.m_nLimit);
    EXPECT_EQ(0u, file.Read(buffer, sizeof buffer));
}

TEST(FileTest, OpenForWritingEmptiesAndCounts) {
    ScratchDir scratch;
    WriteBytes(scratch / "out", PatternBytes(9000, 2));
    CFile file;
    ASSERT_TRUE(file.Open(scratch / "out", 1));
    EXPECT_EQ(0u, file.m_nLength);
    const std::string strHead = PatternBytes(5324, 3);
    const std::string strRecord = PatternBytes(268, 4);
    EXPECT_EQ(5324u, file.Write(strHead.data(), 5324));
    EXPECT_EQ(268u, file.Write(strRecord.data(), 268));
    EXPECT_EQ(5592u, file.m_nLength);
    EXPECT_EQ(5592u, file.m_nPosition);
    EXPECT_TRUE(file.Flush());
    file.Close();
    EXPECT_EQ(strHead + strRecord, ReadBytes(scratch / "out"));
}

TEST(FileTest, WrongDirectionMovesNoBytes) {
    ScratchDir scratch;
    WriteBytes(scratch / "in", PatternBytes(300, 5));
    CFile reader;
    CFile writer;
    ASSERT_TRUE(reader.Open(scratch / "in", 0));
    ASSERT_TRUE(writer.Open(scratch / "out", 1));
    char buffer[64];
    EXPECT_EQ(0u, writer.Read(buffer, sizeof buffer));
    EXPECT_EQ(0u, reader.Write(buffer, sizeof buffer));
    // CopyFrom into a reader still takes the bytes from its source.
    CFile source;
    ASSERT_TRUE(source.Open(scratch / "in", 0));
    EXPECT_EQ(0u, reader.CopyFrom(source, 100));
    EXPECT_EQ(100u, source.Tell());
}

TEST(FileTest, CopyFromMovesChunksAndStopsAtTheEnd) {
    ScratchDir scratch;
    const std::string strData = PatternBytes(250, 6);
    WriteBytes(scratch / "in", strData);
    CFile source;
    CFile dest;
    ASSERT_TRUE(source.Open(scratch / "in", 0));
    ASSERT_TRUE(dest.Open(scratch / "out", 1));
    EXPECT_EQ(100u, dest.CopyFrom(source, 100));
    EXPECT_EQ(100u, dest.CopyFrom(source, 100));
    EXPECT_EQ(50u, dest.CopyFrom(source, 100));
    EXPECT_EQ(0u, dest.CopyFrom(source, 100));
    EXPECT_EQ(250u, dest.m_nLength);
    EXPECT_EQ(250u, source.Tell());
    dest.Close();
    EXPECT_EQ(strData, ReadBytes(scratch / "out"));
}

TEST(FileTest, CopyFromIntoClosedStreamStillReadsTheSource) {
    ScratchDir scratch;
    WriteBytes(scratch / "in", PatternBytes(250, 7));
    CFile source;
    CFile closed;
    ASSERT_TRUE(source.Open(scratch / "in", 0));
    EXPECT_EQ(0u, closed.CopyFrom(source, 100));
    EXPECT_EQ(100u, source.Tell());
    EXPECT_EQ(100u, source.m_nPosition);
}

TEST(FileTest, ReopenClosesTheFirstFileEvenWhenTheSecondOpenFails) {
    ScratchDir scratch;
    WriteBytes(scratch / "a", "first");
    CFile file;
    ASSERT_TRUE(file.Open(scratch / "a", 0));
    // While held for reading, nobody may write it.
    CFile other;
    EXPECT_FALSE(other.Open(scratch / "a", 1));
    EXPECT_FALSE(file.Open(scratch / "missing", 0));
    // The refused open for writing emptied nothing.
    EXPECT_EQ("first", ReadBytes(scratch / "a"));
    EXPECT_EQ(0, file.m_nMode);
    EXPECT_TRUE(other.Open(scratch / "a", 1));
}

TEST(FileTest, ShareModesBetweenStreams) {
    ScratchDir scratch;
    WriteBytes(scratch / "r", "read me");
    CFile reader1;
    CFile reader2;
    ASSERT_TRUE(reader1.Open(scratch / "r", 0));
    EXPECT_TRUE(reader2.Open(scratch / "r", 0));

    CFile writer1;
    CFile writer2;
    CFile reader3;
    ASSERT_TRUE(writer1.Open(scratch / "w", 1));
    EXPECT_TRUE(writer2.Open(scratch / "w", 1));
    EXPECT_FALSE(reader3.Open(scratch / "w", 0));
}

TEST(FileTest, DestructorReleasesTheFile) {
    ScratchDir scratch;
    WriteBytes(scratch / "a", "x");
    {
        CFile file;
        ASSERT_TRUE(file.Open(scratch / "a", 0));
    }
    CFile writer;
    EXPECT_TRUE(writer.Open(scratch / "a", 1));
}

}  // namespace
