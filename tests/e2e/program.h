// Runs Update.exe as a separate process and works its windows from outside,
// as a user would: finds its dialogs, reads their texts, presses buttons and
// keys, and takes pictures of them.
#pragma once

#include "workspace.h"

#include <set>
#include <string>

namespace e2e {

// The program's top-level windows, told apart by a control only each has.
enum class Dialog { Confirm, Progress, MessageBox, Other };
const char* DialogName(Dialog kind);

// Control identifiers of the program's dialogs, and of the text in a system message box.
const int kIdMessage = 1004;
const int kIdProgress = 1001;
const int kIdStatus = 1002;
const int kIdMessageBoxText = 0xFFFF;

// How long a wait lasts before it fails the test; only a bound, never a measure.
const DWORD kWaitMs = 20000;
// For a sent message: the program serves one only between copy steps.
const DWORD kSendMs = 5000;

class Program {
public:
    Program() = default;
    // Ends the process if it still runs, so that no test leaves it behind.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program with no arguments, in the working folder given.
    testing::AssertionResult Start(const std::string& strExe, const std::string& strWorkingDir);

    // Waits until a visible dialog of that kind, not handed out before, shows.
    // Fails naming what it waited for when the program ends first or the wait
    // runs out (saying what showed instead).
    testing::AssertionResult WaitFor(Dialog kind, HWND* phDlg, DWORD dwMs = kWaitMs);

    // Waits for the program to end. Fails when it does not end in time, when
    // it ends with a code other than 0, or when a dialog not handed out by
    // WaitFor shows meanwhile (a message box is then dismissed so it can end).
    testing::AssertionResult WaitForExit(DWORD dwMs = kWaitMs);

    bool Running() const;

private:
    HANDLE m_hProcess = nullptr;
    DWORD m_dwProcessId = 0;
    std::set<HWND> m_seen;
};

// A window's caption (read without a message, so never blocked).
std::string Caption(HWND hWnd);
// A control's text by WM_GETTEXT, waiting at most kSendMs for the program to serve it.
testing::AssertionResult ControlText(HWND hDlg, int nId, std::string* pstrText);
// The progress bar's position by PBM_GETPOS, as above.
testing::AssertionResult ProgressPosition(HWND hDlg, int* pnPosition);

// A button pressed with the mouse: its BN_CLICKED notification, posted.
testing::AssertionResult Click(HWND hDlg, int nId);
// A key pressed and released, posted to the dialog's focused control (or
// the dialog), where the dialog's own key handling picks it up.
testing::AssertionResult PressKey(HWND hDlg, UINT nVirtualKey);
// The close button of the title bar.
testing::AssertionResult CloseByTitleBar(HWND hDlg);

// What Windows shows as the caption of a message box given none: read from
// one that this process opens itself.
std::string DefaultMessageBoxCaption();

// The window as it is on the screen, as a 24-bit BMP in ScreenshotDir().
// Pictures are for people only; failing to take one fails no test.
void SaveScreenshot(HWND hWnd, const std::string& strName);

}  // namespace e2e
