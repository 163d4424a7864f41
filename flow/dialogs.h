// The confirmation and progress dialogs' procedures. Both return 0 for every
// message, so the system's own dialog handling always runs as well.
#pragma once

#include "winapi.h"

// Names the product in the caption and message line; OK ends the dialog
// with 1, Cancel (also Escape and the close button) with 0.
INT_PTR CALLBACK ConfirmDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Cancel (also the close button) sets g_bCancel; the dialog stays until the
// driver destroys it.
INT_PTR CALLBACK ProgressDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
