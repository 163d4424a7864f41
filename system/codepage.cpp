#include "codepage.h"

#include <cstring>

namespace {

struct ByteRange {
    unsigned char bFirst;
    unsigned char bLast;
};

struct DoubleByteTable {
    UINT nCodePage;
    ByteRange aLead[4];
    ByteRange aTrail[3];
    ByteRange aSingle[1];  // beyond printable ASCII
};

// An empty range is {0, 0}: the value 0 is never a lead, trail or extra single byte.
const DoubleByteTable kTables[] = {
    {932, {{0x81, 0x9F}, {0xE0, 0xFC}}, {{0x40, 0x7E}, {0x80, 0xFC}}, {{0xA1, 0xDF}}},
    {936, {{0x81, 0xFE}}, {{0x40, 0xFE}}, {}},
    {949, {{0x81, 0xFE}}, {{0x41, 0xFE}}, {}},
    {950, {{0x81, 0xFE}}, {{0x40, 0x7E}, {0xA1, 0xFE}}, {}},
    {1361, {{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}, {{0x31, 0x7E}, {0x81, 0xFE}}, {}},
};

const BYTE kLeadRanges932[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};
const BYTE kLeadRanges936[] = {0x81, 0xFE, 0, 0};
const BYTE kLeadRanges949[] = {0x81, 0xFE, 0, 0};
const BYTE kLeadRanges950[] = {0x81, 0xFE, 0, 0};
const BYTE kLeadRanges1361[] = {0x81, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9, 0, 0};

void Mark(CodePageBytes& bytes, ByteRange range, unsigned char bClass) {
    if (range.bFirst == 0) return;
    for (unsigned n = range.bFirst; n <= range.bLast; ++n) bytes.abClass[n] |= bClass;
}

void MarkPrintable(CodePageBytes& bytes) {
    for (unsigned n = 0x20; n <= 0x7E; ++n) bytes.abClass[n] |= BYTE_CLASS_SINGLE;
}

CodePageBytes g_activeCodePage = {0, false, {}};

}  // namespace

const BYTE* BuiltInLeadByteRanges(UINT nCodePage) {
    switch (nCodePage) {
        case 932: return kLeadRanges932;
        case 936: return kLeadRanges936;
        case 949: return kLeadRanges949;
        case 950: return kLeadRanges950;
        case 1361: return kLeadRanges1361;
        default: return nullptr;
    }
}

void DescribeCodePage(UINT nCodePage, CodePageBytes& bytes) {
    std::memset(&bytes, 0, sizeof bytes);
    bytes.nCodePage = nCodePage;
    MarkPrintable(bytes);
    for (const DoubleByteTable& table : kTables) {
        if (table.nCodePage != nCodePage) continue;
        bytes.bDoubleByte = true;
        for (ByteRange range : table.aLead) Mark(bytes, range, BYTE_CLASS_LEAD);
        for (ByteRange range : table.aTrail) Mark(bytes, range, BYTE_CLASS_TRAIL);
        for (ByteRange range : table.aSingle) Mark(bytes, range, BYTE_CLASS_SINGLE);
        return;
    }
    // UTF-7 and UTF-8 are not walked as double-byte code pages.
    if (nCodePage == 65000 || nCodePage == 65001) return;
    CPINFO info;
    if (!GetCPInfo(nCodePage, &info) || info.MaxCharSize < 2) return;
    bool bAnyLead = false;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        Mark(bytes, ByteRange{info.LeadByte[i], info.LeadByte[i + 1]}, BYTE_CLASS_LEAD);
        bAnyLead = true;
    }
    // Without reported ranges the code page is treated as single-byte.
    if (!bAnyLead) return;
    bytes.bDoubleByte = true;
    Mark(bytes, ByteRange{0x01, 0xFE}, BYTE_CLASS_TRAIL);
}

size_t CharLengthAt(const CodePageBytes& bytes, const std::string& str, size_t i) {
    if (bytes.bDoubleByte && i + 1 < str.size() &&
        (bytes.abClass[static_cast<unsigned char>(str[i])] & BYTE_CLASS_LEAD) &&
        (bytes.abClass[static_cast<unsigned char>(str[i + 1])] & BYTE_CLASS_TRAIL)) {
        return 2;
    }
    return 1;
}

void LoadActiveCodePage() { UseCodePage(GetACP()); }

void UseCodePage(UINT nCodePage) { DescribeCodePage(nCodePage, g_activeCodePage); }

const CodePageBytes& ActiveCodePage() { return g_activeCodePage; }
