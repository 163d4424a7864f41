// Path helpers for NUL-terminated byte strings in the active code page.
// A backslash separates components only where it is a character of its own,
// never where it is the second byte of a double-byte character.
#pragma once

enum ByteType {
    BYTE_ILLEGAL = -1,
    BYTE_SINGLE = 0,
    BYTE_LEAD = 1,
    BYTE_TRAIL = 2,
};

// Type of the byte at nOffset (at most the string's length) of psz.
int ByteTypeAt(const char* psz, unsigned int nOffset);

// Writes the directory part of pszSource (without its separator) into
// pszDest, which holds at least strlen(pszSource) + 1 bytes; empty when the
// source has no separator beyond its first byte.
char* ParentDirectory(char* pszDest, const char* pszSource);

// Cuts a path of at most 259 bytes to its directory part, in place.
char* StripFileName(char* pszPath);

// Appends one separator unless the path already ends with one; paths shorter
// than 2 bytes stay as they are. The buffer has room for 2 more bytes.
char* AddTrailingBackslash(char* pszPath);

// Asks the system to create every directory along the path, shortest prefix
// first. Failures (existing directories, drives) are ignored; always true.
// A path longer than 259 bytes creates nothing beyond its first 259 bytes.
bool CreateDirectoryChain(const char* pszPath);
