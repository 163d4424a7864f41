// Checks of a loaded update manifest, shared by the program and the vendor
// tool. Each says whether the program would install from it safely.
#pragma once

#include <cstdint>

struct FileEntry;
struct UpdateHeader;

// Longest relative path: the status line "<path>をコピー中..." must fit 260 bytes.
const uint32_t MAX_RELATIVE_PATH = 246;

enum PathProblem {
    PATH_OK = 0,
    PATH_UNTERMINATED,  // no NUL inside the 260 bytes
    PATH_EMPTY,
    PATH_TOO_LONG,      // over MAX_RELATIVE_PATH bytes
    PATH_ABSOLUTE,      // leading backslash or slash
    PATH_COLON,         // a drive or a stream name
    PATH_PARENT,        // a ".." component
};

enum HeaderProblem {
    HEADER_OK = 0,
    HEADER_UNTERMINATED_TEXT,  // a text field without NUL inside its array
    HEADER_PRODUCT_TOO_LONG,   // over MAX_PRODUCT_NAME bytes
};

// Whether a manifest of nCount records fits in a file of nFileLength bytes
// after a header of nHeaderSize bytes, their size in bytes within 32 bits.
bool RecordsFit(uint64_t nFileLength, uint32_t nHeaderSize, uint32_t nCount);

HeaderProblem CheckUpdateHeader(const UpdateHeader& header);
PathProblem CheckUpdatePath(const FileEntry& entry);

// A short English description of a problem, for the vendor tool.
const char* DescribePathProblem(PathProblem problem);
const char* DescribeHeaderProblem(HeaderProblem problem);
