// updtool's entry: UTF-8 arguments and console, then the command.
#include <iostream>

#include "codepage.h"
#include "tool.h"
#include "utf8_console.h"

int main(int argc, char** argv) {
    // Manifests hold code page 932 whatever this system's code page is: their
    // bytes are judged as the program on a code page 932 system reads them.
    UseCodePage(932);
    UseUtf8Console();
    const int nExit = RunTool(Utf8Arguments(argc, argv), std::cout, std::cerr);
    std::cout.flush();
    return nExit;
}
