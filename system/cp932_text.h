// Text converted between code page 932 and UTF-8, strictly and whatever the
// system's own code page: the manifests hold code page 932 on every system,
// while file systems, terminals and command lines speak UTF-8.
#pragma once

#include <string>

// False when strCp932 holds bytes that form no code page 932 character.
bool Cp932ToUtf8(const std::string& strCp932, std::string& strUtf8);

// False when strUtf8 is not valid UTF-8 or one of its characters has no code
// page 932 form of its own. A best-fit stand-in (0x5C for the yen sign, which
// code page 932 reads back as a backslash) counts as none: only characters
// that come back unchanged are converted.
bool Utf8ToCp932(const std::string& strUtf8, std::string& strCp932);
