#include "validate.h"

#include <cstring>

#include "manifest.h"
#include "path.h"

namespace {

size_t BoundedLength(const char* psz, size_t nMax) {
    const void* pNul = std::memchr(psz, '\0', nMax);
    return pNul == nullptr ? nMax : static_cast<size_t>(static_cast<const char*>(pNul) - psz);
}

bool IsSingle(const char* psz, size_t i, char c) {
    return psz[i] == c && ByteTypeAt(psz, static_cast<unsigned int>(i)) == BYTE_SINGLE;
}

bool IsSeparator(const char* psz, size_t i) {
    return IsSingle(psz, i, '\\') || IsSingle(psz, i, '/');
}

// Windows drops trailing dots and spaces from a name, so ".. " and "..." also
// climb to the parent; any component of only dots and spaces with two or more
// dots is refused.
bool IsParentComponent(const char* psz, size_t nBegin, size_t nEnd) {
    int nDots = 0;
    for (size_t i = nBegin; i < nEnd; ++i) {
        if (psz[i] == '.') {
            ++nDots;
        } else if (psz[i] != ' ') {
            return false;
        }
    }
    return nDots >= 2;
}

}  // namespace

bool RecordsFit(uint64_t nFileLength, uint32_t nHeaderSize, uint32_t nCount) {
    if (nFileLength < nHeaderSize) return false;
    const uint64_t nBytes = static_cast<uint64_t>(nCount) * FILE_ENTRY_SIZE;
    // Sizes are 32-bit, as on the 32-bit program, in every build.
    return nBytes <= nFileLength - nHeaderSize && nBytes <= UINT32_MAX;
}

HeaderProblem CheckUpdateHeader(const UpdateHeader& header) {
    const size_t nText = sizeof header.szProductName;
    if (BoundedLength(header.szProductName, nText) == nText ||
        BoundedLength(header.szRegistryKey, nText) == nText ||
        BoundedLength(header.szRegistryValue, nText) == nText) {
        return HEADER_UNTERMINATED_TEXT;
    }
    if (std::strlen(header.szProductName) > MAX_PRODUCT_NAME) return HEADER_PRODUCT_TOO_LONG;
    return HEADER_OK;
}

PathProblem CheckUpdatePath(const FileEntry& entry) {
    const char* psz = entry.szPath;
    const size_t n = BoundedLength(psz, sizeof entry.szPath);
    if (n == sizeof entry.szPath) return PATH_UNTERMINATED;
    if (n == 0) return PATH_EMPTY;
    if (n > MAX_RELATIVE_PATH) return PATH_TOO_LONG;
    if (IsSeparator(psz, 0)) return PATH_ABSOLUTE;
    size_t nComponent = 0;
    for (size_t i = 0; i <= n; ++i) {
        if (i < n && IsSingle(psz, i, ':')) return PATH_COLON;
        if (i == n || IsSeparator(psz, i)) {
            if (IsParentComponent(psz, nComponent, i)) return PATH_PARENT;
            nComponent = i + 1;
        }
    }
    return PATH_OK;
}

const char* DescribePathProblem(PathProblem problem) {
    switch (problem) {
        case PATH_OK: return "ok";
        case PATH_UNTERMINATED: return "the path has no terminating NUL within its 260 bytes";
        case PATH_EMPTY: return "the path is empty";
        case PATH_TOO_LONG: return "the path is longer than 246 bytes";
        case PATH_ABSOLUTE: return "the path is absolute (it begins with a separator)";
        case PATH_COLON: return "the path holds a colon (a drive or stream name)";
        case PATH_PARENT: return "the path has a '..' component";
    }
    return "unknown problem";
}

const char* DescribeHeaderProblem(HeaderProblem problem) {
    switch (problem) {
        case HEADER_OK: return "ok";
        case HEADER_UNTERMINATED_TEXT: return "a header text has no terminating NUL within its 128 bytes";
        case HEADER_PRODUCT_TOO_LONG: return "the product name is longer than 60 bytes";
    }
    return "unknown problem";
}
