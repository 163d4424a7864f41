#include "program.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

namespace e2e {

namespace {

const DWORD kPollMs = 25;
// How long a screenshot waits for the window to be painted.
const DWORD kPaintMs = 2000;

struct Search {
    DWORD dwProcessId;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisibleDialog(HWND hWnd, LPARAM lParam) {
    Search& search = *reinterpret_cast<Search*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    char szClass[16] = "";
    if (dwProcessId == search.dwProcessId && IsWindowVisible(hWnd) &&
        GetClassNameA(hWnd, szClass, sizeof szClass) > 0 && std::string(szClass) == "#32770") {
        search.windows.push_back(hWnd);
    }
    return TRUE;
}

std::vector<HWND> VisibleDialogs(DWORD dwProcessId) {
    Search search{dwProcessId, {}};
    EnumWindows(CollectVisibleDialog, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

// The confirmation dialog's static "よろしいですか？" has the id 0xFFFF too,
// so the program's own controls are looked at first.
Dialog Classify(HWND hDlg) {
    if (GetDlgItem(hDlg, kIdMessage) != nullptr) return Dialog::Confirm;
    if (GetDlgItem(hDlg, kIdProgress) != nullptr) return Dialog::Progress;
    if (GetDlgItem(hDlg, kIdMessageBoxText) != nullptr) return Dialog::MessageBox;
    return Dialog::Other;
}

std::string Describe(HWND hDlg) {
    const Dialog kind = Classify(hDlg);
    std::string strText = std::string(DialogName(kind)) + " captioned \"" + Utf8(Caption(hDlg)) + "\"";
    if (kind == Dialog::MessageBox) {
        std::string strMessage;
        if (ControlText(hDlg, kIdMessageBoxText, &strMessage)) strText += " saying \"" + Utf8(strMessage) + "\"";
    }
    return strText;
}

LPARAM KeyData(UINT nVirtualKey, bool bUp) {
    const UINT nScan = MapVirtualKeyA(nVirtualKey, MAPVK_VK_TO_VSC);
    LPARAM lParam = 1 | static_cast<LPARAM>(nScan << 16);
    if (bUp) lParam |= static_cast<LPARAM>(0xC0000000u);
    return lParam;
}

// Whether every pixel of a part of a bottom-up 24-bit image (given from the
// top) has one colour.
bool IsUniform(const BYTE* pBits, DWORD dwStride, int nImageHeight, const RECT& part) {
    const BYTE* pFirst = nullptr;
    for (int y = part.top; y < part.bottom; ++y) {
        const BYTE* pRow = pBits + dwStride * static_cast<DWORD>(nImageHeight - 1 - y);
        for (int x = part.left; x < part.right; ++x) {
            const BYTE* pPixel = pRow + 3 * x;
            if (pFirst == nullptr) pFirst = pPixel;
            if (pPixel[0] != pFirst[0] || pPixel[1] != pFirst[1] || pPixel[2] != pFirst[2]) return false;
        }
    }
    return true;
}

DWORD WINAPI OpenProbeBox(LPVOID) {
    MessageBoxA(nullptr, "e2e probe", nullptr, MB_OK);
    return 0;
}

BOOL CALLBACK FirstVisible(HWND hWnd, LPARAM lParam) {
    if (!IsWindowVisible(hWnd)) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

}  // namespace

const char* DialogName(Dialog kind) {
    switch (kind) {
        case Dialog::Confirm: return "confirmation dialog";
        case Dialog::Progress: return "progress dialog";
        case Dialog::MessageBox: return "message box";
        case Dialog::Other: return "unknown dialog";
    }
    return "?";
}

Program::~Program() {
    if (m_hProcess == nullptr) return;
    if (Running()) {
        TerminateProcess(m_hProcess, 1);
        WaitForSingleObject(m_hProcess, kWaitMs);
    }
    CloseHandle(m_hProcess);
}

testing::AssertionResult Program::Start(const std::string& strExe, const std::string& strWorkingDir) {
    std::string strCommandLine = "\"" + strExe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(strExe.c_str(), &strCommandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        strWorkingDir.c_str(), &startup, &info)) {
        return testing::AssertionFailure() << "cannot start " << Utf8(strExe) << " (error " << GetLastError() << ")";
    }
    CloseHandle(info.hThread);
    m_hProcess = info.hProcess;
    m_dwProcessId = info.dwProcessId;
    return testing::AssertionSuccess();
}

bool Program::Running() const {
    return m_hProcess != nullptr && WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT;
}

testing::AssertionResult Program::WaitFor(Dialog kind, HWND* phDlg, DWORD dwMs) {
    *phDlg = nullptr;
    if (m_hProcess == nullptr) return testing::AssertionFailure() << "the program was not started";
    const DWORD dwStart = GetTickCount();
    for (;;) {
        for (HWND hDlg : VisibleDialogs(m_dwProcessId)) {
            if (m_seen.count(hDlg) == 0 && Classify(hDlg) == kind) {
                m_seen.insert(hDlg);
                *phDlg = hDlg;
                return testing::AssertionSuccess();
            }
        }
        if (!Running()) {
            DWORD dwCode = 0;
            GetExitCodeProcess(m_hProcess, &dwCode);
            return testing::AssertionFailure() << "Update.exe ended (exit code " << dwCode << ") while waiting for the "
                                               << DialogName(kind);
        }
        if (GetTickCount() - dwStart >= dwMs) {
            std::string strOthers;
            for (HWND hDlg : VisibleDialogs(m_dwProcessId)) strOthers += "\n  " + Describe(hDlg);
            return testing::AssertionFailure() << "no " << DialogName(kind) << " within " << dwMs << " ms; "
                                               << (strOthers.empty() ? "no dialog of Update.exe was showing"
                                                                     : "showing instead:" + strOthers);
        }
        Sleep(kPollMs);
    }
}

testing::AssertionResult Program::WaitForExit(DWORD dwMs) {
    if (m_hProcess == nullptr) return testing::AssertionFailure() << "the program was not started";
    const DWORD dwStart = GetTickCount();
    std::string strUnexpected;
    while (Running()) {
        for (HWND hDlg : VisibleDialogs(m_dwProcessId)) {
            if (m_seen.count(hDlg) != 0) continue;
            m_seen.insert(hDlg);
            strUnexpected += "\n  " + Describe(hDlg);
            // Let the program go on to its end, so what it does next shows too.
            PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        if (GetTickCount() - dwStart >= dwMs) {
            return testing::AssertionFailure() << "Update.exe did not end within " << dwMs << " ms"
                                               << (strUnexpected.empty() ? "" : "; it showed:" + strUnexpected);
        }
        Sleep(kPollMs);
    }
    DWORD dwCode = 0;
    GetExitCodeProcess(m_hProcess, &dwCode);
    if (!strUnexpected.empty()) {
        return testing::AssertionFailure() << "Update.exe showed more before it ended:" << strUnexpected;
    }
    if (dwCode != 0) return testing::AssertionFailure() << "Update.exe ended with exit code " << dwCode;
    return testing::AssertionSuccess();
}

std::string Caption(HWND hWnd) {
    char sz[512] = "";
    const int n = GetWindowTextA(hWnd, sz, sizeof sz);
    return std::string(sz, n > 0 ? static_cast<size_t>(n) : 0);
}

testing::AssertionResult ControlText(HWND hDlg, int nId, std::string* pstrText) {
    HWND hCtl = GetDlgItem(hDlg, nId);
    if (hCtl == nullptr) return testing::AssertionFailure() << "the dialog has no control " << nId;
    char sz[1024] = "";
    DWORD_PTR dwLength = 0;
    if (!SendMessageTimeoutA(hCtl, WM_GETTEXT, sizeof sz, reinterpret_cast<LPARAM>(sz), SMTO_NORMAL, kSendMs,
                             &dwLength)) {
        return testing::AssertionFailure() << "the program did not answer WM_GETTEXT for control " << nId
                                           << " within " << kSendMs << " ms (error " << GetLastError() << ")";
    }
    pstrText->assign(sz, dwLength < sizeof sz ? dwLength : sizeof sz - 1);
    return testing::AssertionSuccess();
}

testing::AssertionResult ProgressPosition(HWND hDlg, int* pnPosition) {
    HWND hBar = GetDlgItem(hDlg, kIdProgress);
    if (hBar == nullptr) return testing::AssertionFailure() << "the dialog has no progress bar";
    DWORD_PTR dwPosition = 0;
    if (!SendMessageTimeoutA(hBar, PBM_GETPOS, 0, 0, SMTO_NORMAL, kSendMs, &dwPosition)) {
        return testing::AssertionFailure() << "the program did not answer PBM_GETPOS within " << kSendMs
                                           << " ms (error " << GetLastError() << ")";
    }
    *pnPosition = static_cast<int>(dwPosition);
    return testing::AssertionSuccess();
}

testing::AssertionResult Click(HWND hDlg, int nId) {
    HWND hButton = GetDlgItem(hDlg, nId);
    if (hButton == nullptr) return testing::AssertionFailure() << "the dialog has no button " << nId;
    if (!PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(hButton))) {
        return testing::AssertionFailure() << "cannot post the click on button " << nId;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult PressKey(HWND hDlg, UINT nVirtualKey) {
    HWND hTarget = hDlg;
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(hDlg, nullptr), &gui) && gui.hwndFocus != nullptr &&
        IsChild(hDlg, gui.hwndFocus)) {
        hTarget = gui.hwndFocus;
    }
    if (!PostMessageA(hTarget, WM_KEYDOWN, nVirtualKey, KeyData(nVirtualKey, false)) ||
        !PostMessageA(hTarget, WM_KEYUP, nVirtualKey, KeyData(nVirtualKey, true))) {
        return testing::AssertionFailure() << "cannot post key " << nVirtualKey;
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult CloseByTitleBar(HWND hDlg) {
    if (!PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0)) {
        return testing::AssertionFailure() << "cannot post SC_CLOSE";
    }
    return testing::AssertionSuccess();
}

std::string DefaultMessageBoxCaption() {
    static std::string s_strCaption;
    if (!s_strCaption.empty()) return s_strCaption;
    DWORD dwThreadId = 0;
    HANDLE hThread = CreateThread(nullptr, 0, OpenProbeBox, nullptr, 0, &dwThreadId);
    if (hThread == nullptr) {
        ADD_FAILURE() << "cannot start the thread of the probe message box";
        return std::string();
    }
    HWND hBox = nullptr;
    const DWORD dwStart = GetTickCount();
    while (hBox == nullptr && GetTickCount() - dwStart < kWaitMs) {
        EnumThreadWindows(dwThreadId, FirstVisible, reinterpret_cast<LPARAM>(&hBox));
        if (hBox == nullptr) Sleep(kPollMs);
    }
    if (hBox == nullptr) {
        ADD_FAILURE() << "the probe message box did not show";
    } else {
        s_strCaption = Caption(hBox);
        PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    if (WaitForSingleObject(hThread, kWaitMs) != WAIT_OBJECT_0) TerminateThread(hThread, 1);
    CloseHandle(hThread);
    return s_strCaption;
}

void SaveScreenshot(HWND hWnd, const std::string& strName) {
    RECT rect;
    if (!GetWindowRect(hWnd, &rect)) return;
    const int nWidth = rect.right - rect.left;
    const int nHeight = rect.bottom - rect.top;
    if (nWidth <= 0 || nHeight <= 0) return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = nWidth;
    info.bmiHeader.biHeight = nHeight;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC hScreen = GetDC(nullptr);
    HDC hMemory = CreateCompatibleDC(hScreen);
    void* pBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(hMemory, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (hBitmap != nullptr) {
        HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
        const DWORD dwStride = (static_cast<DWORD>(nWidth) * 3 + 3) & ~3u;
        const DWORD dwImage = dwStride * static_cast<DWORD>(nHeight);
        // A window just shown may not have painted its inside yet, which is
        // then of one colour: taken again until it shows something, and once
        // more after that so that the other controls catch up.
        RECT client = {0, 0, 0, 0};
        POINT origin = {0, 0};
        GetClientRect(hWnd, &client);
        ClientToScreen(hWnd, &origin);
        OffsetRect(&client, origin.x - rect.left, origin.y - rect.top);
        RECT whole = {0, 0, nWidth, nHeight};
        IntersectRect(&client, &client, &whole);
        const DWORD dwStart = GetTickCount();
        for (bool bPainted = false;;) {
            BitBlt(hMemory, 0, 0, nWidth, nHeight, hScreen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
            GdiFlush();
            if (bPainted || GetTickCount() - dwStart >= kPaintMs) break;
            bPainted = !IsUniform(static_cast<const BYTE*>(pBits), dwStride, nHeight, client);
            Sleep(kPollMs);
        }
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + dwImage;
        info.bmiHeader.biSizeImage = dwImage;
        std::string strBytes(reinterpret_cast<const char*>(&file), sizeof file);
        strBytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        strBytes.append(static_cast<const char*>(pBits), dwImage);
        SelectObject(hMemory, hOld);
        DeleteObject(hBitmap);
        HANDLE hFile = CreateFileA((ScreenshotDir() + strName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            DWORD dwWritten = 0;
            WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr);
            CloseHandle(hFile);
        }
    }
    DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);
}

}  // namespace e2e
