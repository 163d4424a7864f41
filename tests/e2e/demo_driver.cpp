// Answers the dialogs of one run of Update.exe for scripts/demo when no one
// is at a display: OK to the confirmation, a look at the progress dialog
// mid-copy, OK to the result box; a picture of each.
//
//   demo_driver UPDATE_EXE SCREENSHOT_DIR RESULT_FILE [NAME_PREFIX]
//
// RESULT_FILE gets "key: value" lines in UTF-8. It is written by the program
// rather than printed, as Wine's console may mangle non-ASCII output.
// Exit status: 0 when the run went as far as the program's end, 1 otherwise.
#include <cstdio>
#include <string>

#include "program.h"

namespace {

// CP932 (the program's texts) to UTF-8 (the script's terminal).
std::string ToUtf8(const std::string& strSjis) {
    if (strSjis.empty()) return std::string();
    const int nWide = MultiByteToWideChar(932, 0, strSjis.data(), static_cast<int>(strSjis.size()), nullptr, 0);
    if (nWide <= 0) return strSjis;
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(932, 0, strSjis.data(), static_cast<int>(strSjis.size()), &strWide[0], nWide);
    const int nOut = WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nWide, nullptr, 0, nullptr, nullptr);
    std::string strOut(static_cast<size_t>(nOut), '\0');
    WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nWide, &strOut[0], nOut, nullptr, nullptr);
    return strOut;
}

// One line per fact; newlines inside a text (the program's messages have
// some) are kept readable as "\n".
class Report {
public:
    void Add(const std::string& strKey, const std::string& strSjis) { AddUtf8(strKey, ToUtf8(strSjis)); }
    void AddUtf8(const std::string& strKey, std::string strValue) {
        for (size_t i = 0; (i = strValue.find('\n', i)) != std::string::npos;) strValue.replace(i, 1, "\\n");
        m_strText += strKey + ": " + strValue + "\n";
    }
    bool Write(const std::string& strPath) const {
        FILE* pFile = std::fopen(strPath.c_str(), "wb");
        if (pFile == nullptr) return false;
        const bool bOk = std::fwrite(m_strText.data(), 1, m_strText.size(), pFile) == m_strText.size();
        return std::fclose(pFile) == 0 && bOk;
    }

private:
    std::string m_strText;
};

// SaveScreenshot writes only into the build tree's screenshot folder, so the
// picture is moved to where the demo keeps its outputs.
void Screenshot(HWND hWnd, const std::string& strDir, const std::string& strName) {
    const std::string strTemp = "demo-" + std::to_string(GetCurrentProcessId()) + "-" + strName;
    e2e::SaveScreenshot(hWnd, strTemp);
    const std::string strFrom = e2e::ScreenshotDir() + strTemp;
    const std::string strTo = strDir + "\\" + strName;
    if (!MoveFileExA(strFrom.c_str(), strTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        std::fprintf(stderr, "demo_driver: cannot save %s (error %lu)\n", strName.c_str(), GetLastError());
        DeleteFileA(strFrom.c_str());
    }
}

// The bar is read until the large file's copy is under way, so the picture
// shows it moving; small files jump from 0 to 100 between two reads.
void WatchProgress(HWND hProgress, Report& report, const std::string& strDir, const std::string& strPrefix) {
    report.Add("progress caption", e2e::Caption(hProgress));
    std::string strStatus;
    int nPosition = 0;
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < e2e::kWaitMs) {
        std::string strNow;
        int nNow = 0;
        if (!IsWindow(hProgress) || !e2e::ControlText(hProgress, e2e::kIdStatus, &strNow) ||
            !e2e::ProgressPosition(hProgress, &nNow)) {
            break;
        }
        strStatus = strNow;
        nPosition = nNow;
        if (nPosition > 0 && nPosition < 100) break;
    }
    if (IsWindow(hProgress)) Screenshot(hProgress, strDir, strPrefix + "progress.bmp");
    report.Add("progress status", strStatus);
    report.Add("progress bar when read", std::to_string(nPosition) + "%");
}

// The error goes to the result file for the script to show; only when that
// cannot be written to the console, which may mangle the program's texts.
bool Fail(Report& report, const std::string& strResultFile, const testing::AssertionResult& result) {
    // The driver's messages quote the program's texts already in UTF-8.
    report.AddUtf8("error", result.message());
    if (!report.Write(strResultFile)) std::fprintf(stderr, "demo_driver: %s\n", result.message());
    return false;
}

// The confirmation, or the message box by which the program refuses to go
// on (then read and answered, so it ends as it would for a user).
testing::AssertionResult WaitForConfirm(e2e::Program& program, HWND* phConfirm, Report& report) {
    const DWORD kSliceMs = 100;
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < e2e::kWaitMs) {
        if (program.WaitFor(e2e::Dialog::Confirm, phConfirm, kSliceMs)) return testing::AssertionSuccess();
        HWND hBox = nullptr;
        if (program.WaitFor(e2e::Dialog::MessageBox, &hBox, kSliceMs)) {
            std::string strMessage;
            e2e::ControlText(hBox, e2e::kIdMessageBoxText, &strMessage);
            report.Add("result caption", e2e::Caption(hBox));
            report.Add("result message", strMessage);
            e2e::Click(hBox, IDOK);
            program.WaitForExit();
            return testing::AssertionFailure() << "Update.exe refused to update, with the message above";
        }
        if (!program.Running()) break;
    }
    return program.WaitFor(e2e::Dialog::Confirm, phConfirm, 0);
}

bool Run(const std::string& strExe, const std::string& strDir, const std::string& strResultFile,
         const std::string& strPrefix) {
    Report report;
    e2e::Program program;
    const std::string strFolder = strExe.substr(0, strExe.find_last_of('\\') + 1);
    testing::AssertionResult result = program.Start(strExe, strFolder);
    if (!result) return Fail(report, strResultFile, result);

    HWND hConfirm = nullptr;
    if (!(result = WaitForConfirm(program, &hConfirm, report))) return Fail(report, strResultFile, result);
    std::string strQuestion;
    e2e::ControlText(hConfirm, e2e::kIdMessage, &strQuestion);
    report.Add("confirm caption", e2e::Caption(hConfirm));
    report.Add("confirm message", strQuestion);
    Screenshot(hConfirm, strDir, strPrefix + "confirm.bmp");
    if (!(result = e2e::Click(hConfirm, IDOK))) return Fail(report, strResultFile, result);

    HWND hProgress = nullptr;
    if (!(result = program.WaitFor(e2e::Dialog::Progress, &hProgress))) return Fail(report, strResultFile, result);
    WatchProgress(hProgress, report, strDir, strPrefix);

    HWND hBox = nullptr;
    if (!(result = program.WaitFor(e2e::Dialog::MessageBox, &hBox))) return Fail(report, strResultFile, result);
    std::string strMessage;
    if (!(result = e2e::ControlText(hBox, e2e::kIdMessageBoxText, &strMessage))) {
        return Fail(report, strResultFile, result);
    }
    report.Add("result caption", e2e::Caption(hBox));
    report.Add("result message", strMessage);
    Screenshot(hBox, strDir, strPrefix + "result.bmp");
    if (!(result = e2e::Click(hBox, IDOK))) return Fail(report, strResultFile, result);

    if (!(result = program.WaitForExit())) return Fail(report, strResultFile, result);
    report.Add("program", "ended with exit code 0");
    if (!report.Write(strResultFile)) {
        std::fprintf(stderr, "demo_driver: cannot write %s\n", strResultFile.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: demo_driver UPDATE_EXE SCREENSHOT_DIR RESULT_FILE [NAME_PREFIX]\n");
        return 2;
    }
    return Run(argv[1], argv[2], argv[3], argc == 5 ? argv[4] : "") ? 0 : 1;
}
