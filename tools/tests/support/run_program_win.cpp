// Runs updtool.exe with CreateProcessW, its streams sent to files.
#include "support/tool_fixture.h"
#include "wide_text_win.h"

namespace {

// <build>\tools\tests\tool_tests.exe -> <build>\tools\updtool.exe
std::wstring UpdtoolPath() {
    wchar_t sz[32768];
    const DWORD n = GetModuleFileNameW(nullptr, sz, 32768);
    if (n == 0 || n >= 32768) return std::wstring();
    std::wstring strPath(sz, n);
    for (int i = 0; i < 2; ++i) strPath.erase(strPath.find_last_of(L"\\/"));
    return strPath + L"\\updtool.exe";
}

// One argument as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& strArg) {
    if (!strArg.empty() && strArg.find_first_of(L" \t\"") == std::wstring::npos) return strArg;
    std::wstring strOut = L"\"";
    size_t nBackslashes = 0;
    for (wchar_t c : strArg) {
        if (c == L'\\') {
            ++nBackslashes;
            continue;
        }
        strOut.append(c == L'"' ? nBackslashes * 2 + 1 : nBackslashes, L'\\');
        nBackslashes = 0;
        strOut += c;
    }
    strOut.append(nBackslashes * 2, L'\\');
    return strOut + L"\"";
}

HANDLE OpenOutput(const std::string& strPath) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    return CreateFileW(WideFileName(strPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int RunUpdtoolProgram(const std::vector<std::string>& args, const std::string& strOutFile,
                      const std::string& strErrFile) {
    const std::wstring strProgram = UpdtoolPath();
    std::wstring strCommandLine = Quoted(strProgram);
    for (const std::string& strArg : args) {
        std::wstring strWide;
        if (!Utf8ToWide(strArg, strWide)) return -1;
        strCommandLine += L" " + Quoted(strWide);
    }
    HANDLE hOut = OpenOutput(strOutFile);
    HANDLE hErr = OpenOutput(strErrFile);
    int nExit = -1;
    if (hOut != INVALID_HANDLE_VALUE && hErr != INVALID_HANDLE_VALUE) {
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = hOut;
        si.hStdError = hErr;
        PROCESS_INFORMATION pi = {};
        if (CreateProcessW(strProgram.c_str(), &strCommandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                           &pi)) {
            DWORD dwExit = 0;
            if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &dwExit)) {
                nExit = static_cast<int>(dwExit);
            }
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    if (hOut != INVALID_HANDLE_VALUE) CloseHandle(hOut);
    if (hErr != INVALID_HANDLE_VALUE) CloseHandle(hErr);
    return nExit;
}
