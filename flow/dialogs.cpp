#include "dialogs.h"


#include "copier.h"
#include "format.h"
#include "manifest.h"
#include "resource.h"
#include "texts.h"

INT_PTR CALLBACK ConfirmDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM) {
    if (uMsg == WM_INITDIALOG) {
        // The product name is at most 60 bytes, so both texts fit.
        char szText[128];
        FormatText(szText, sizeof szText, TEXT_CONFIRM_CAPTION_FORMAT, g_updateHeader.szProductName);
        SetWindowTextA(hDlg, szText);
        FormatText(szText, sizeof szText, TEXT_CONFIRM_MESSAGE_FORMAT, g_updateHeader.szProductName);
        SetDlgItemTextA(hDlg, IDC_MESSAGE, szText);
    } else if (uMsg == WM_COMMAND) {
        if (LOWORD(wParam) == IDOK) EndDialog(hDlg, 1);
        if (LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, 0);
    }
    return 0;
}

INT_PTR CALLBACK ProgressDlgProc(HWND, UINT uMsg, WPARAM wParam, LPARAM) {
    if (uMsg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) g_bCancel = 1;
    return 0;
}
