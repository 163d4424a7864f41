// The command line and console output of a console tool, in UTF-8 on every system.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name, in UTF-8: on Windows taken from the
// wide command line (argv there is in the system code page and loses what it
// cannot name), elsewhere argv as it is.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Makes a console show the UTF-8 this program writes, for as long as it runs.
void UseUtf8Console();
