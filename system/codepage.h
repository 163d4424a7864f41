// Byte classes of the active code page, which decide how path bytes are walked.
// The code page is read once at start (LoadActiveCodePage) and never changes
// during a run; tests may pick one explicitly with UseCodePage.
#pragma once

#include <cstddef>
#include <string>

#include "winapi.h"

// Classes of one byte value under a code page; a value may be lead and trail at once.
enum : unsigned char {
    BYTE_CLASS_LEAD = 1,
    BYTE_CLASS_TRAIL = 2,
    BYTE_CLASS_SINGLE = 4,  // printable ASCII and the code page's own single bytes
};

struct CodePageBytes {
    UINT nCodePage;
    bool bDoubleByte;          // false: every byte is a character of its own
    unsigned char abClass[256];
};

// Fills bytes for nCodePage: the built-in table for 932, 936, 949, 950 and
// 1361, the system's lead-byte ranges (GetCPInfo) for other double-byte code
// pages, single-byte for everything else, including code pages the system
// does not know.
void DescribeCodePage(UINT nCodePage, CodePageBytes& bytes);

// Lead-byte ranges (pairs, ending with 0, 0) of the code pages that have a
// built-in table, or null for any other code page.
const BYTE* BuiltInLeadByteRanges(UINT nCodePage);

// Bytes of the character at offset i of str, 1 or 2: a lead byte with a
// trail byte after it is one character, so that trail byte (a backslash or a
// letter, say) is never taken for a character of its own.
size_t CharLengthAt(const CodePageBytes& bytes, const std::string& str, size_t i);

void LoadActiveCodePage();
void UseCodePage(UINT nCodePage);
const CodePageBytes& ActiveCodePage();
