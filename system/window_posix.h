// What stands in for the user and the screen under the POSIX window
// services: an observer sees dialogs, texts and bar positions as they change,
// answers message boxes, and may post input (commands, keys) to the dialogs.
// Rendering belongs to observers; the window model itself draws nothing.
#pragma once

#include "winapi.h"

class WindowObserver {
public:
    virtual ~WindowObserver() = default;
    // A dialog was created from template nTemplateId and initialised.
    virtual void OnDialogCreated(HWND hDlg, int nTemplateId);
    // A modal dialog waits for input and its queue is empty. An observer that
    // posts nothing here closes the dialog, as a user closing it would.
    virtual void OnModalIdle(HWND hDlg);
    virtual void OnTextChanged(HWND hWnd);
    virtual void OnProgress(HWND hDlg, int nControlId, int nPosition);
    virtual void OnDialogDestroyed(HWND hDlg);
    // Returns the button chosen (IDOK for MB_OK).
    virtual int OnMessageBox(const char* pszText, const char* pszCaption, UINT uType);
};

// Installs the observer (null: message boxes go to standard error and modal
// dialogs are closed at once). Returns the one it replaces.
WindowObserver* SetWindowObserver(WindowObserver* pObserver);

// For observers and tests: the template a dialog was made from, its control
// count, and a control's class and progress position.
int DialogTemplateId(HWND hDlg);
int ControlCount(HWND hDlg);
HWND ControlAt(HWND hDlg, int nIndex);
const char* WindowClassName(HWND hWnd);
int ProgressPosition(HWND hCtl);
