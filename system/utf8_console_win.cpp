// The wide command line, and the console's output code page set to UTF-8.
#include "utf8_console.h"

#include <cstdlib>

#include "wide_text_win.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace {

UINT g_nOutputCodePage = 0;

void RestoreOutputCodePage() {
    if (g_nOutputCodePage != 0) SetConsoleOutputCP(g_nOutputCodePage);
}

}  // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    std::vector<std::string> args;
    int nWide = 0;
    LPWSTR* ppszWide = CommandLineToArgvW(GetCommandLineW(), &nWide);
    if (ppszWide != nullptr) {
        bool bOk = true;
        for (int i = 1; i < nWide && bOk; ++i) {
            std::string strArg;
            bOk = WideToUtf8(ppszWide[i], strArg);
            args.push_back(strArg);
        }
        LocalFree(ppszWide);
        if (bOk) return args;
        args.clear();
    }
    // Without a wide command line, argv is the best there is.
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
}

void UseUtf8Console() {
    // The console keeps its code page after we end: the old one comes back at exit.
    const UINT nOld = GetConsoleOutputCP();
    if (nOld == 0 || nOld == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) return;
    g_nOutputCodePage = nOld;
    std::atexit(RestoreOutputCodePage);
}
