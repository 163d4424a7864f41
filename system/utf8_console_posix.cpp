// Terminals and argv are UTF-8 here already.
#include "utf8_console.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

void UseUtf8Console() {}
