// Dialogs, controls, message boxes and a per-thread message queue over plain
// memory. Windows are objects with texts and a progress position; an
// installed WindowObserver plays the user and the screen.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "native_path_posix.h"
#include "window_posix.h"
#include "winapi.h"

struct HWND__ {
    HWND hParent;
    int nId;                 // control identifier, or the template of a dialog
    std::string strClass;
    std::string strText;
    DWORD dwStyle;
    bool bVisible;
    int nPosition;           // progress bars
    DLGPROC pfnDialog;       // dialogs
    std::vector<HWND> controls;
    bool bEnded;
    INT_PTR nResult;
};

namespace {

const DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
const UINT WM_QUIT_MESSAGE = 0x0012;

std::vector<HWND> g_windows;
thread_local std::deque<MSG> t_queue;
WindowObserver* g_pObserver = nullptr;

bool IsLive(HWND hWnd) {
    return hWnd != nullptr && std::find(g_windows.begin(), g_windows.end(), hWnd) != g_windows.end();
}

HWND Item(HWND hDlg, int nId) {
    if (!IsLive(hDlg)) return nullptr;
    for (HWND hCtl : hDlg->controls) {
        if (hCtl->nId == nId) return hCtl;
    }
    return nullptr;
}

HWND DialogOf(HWND hWnd) { return hWnd->hParent != nullptr ? hWnd->hParent : hWnd; }

BOOL Fail(DWORD dwError) {
    SetLastError(dwError);
    return FALSE;
}

HWND NewWindow(HWND hParent, int nId, const char* pszClass, const char* pszText, DWORD dwStyle) {
    HWND hWnd = new HWND__{hParent, nId, pszClass, pszText != nullptr ? pszText : "", dwStyle,
                           (dwStyle & WS_VISIBLE) != 0, 0, nullptr, {}, false, 0};
    g_windows.push_back(hWnd);
    return hWnd;
}

HWND CreateFromTemplate(LPCSTR pszTemplate, DLGPROC pfnDialog, LPARAM lInit) {
    // Templates are named by number, as MAKEINTRESOURCE makes them.
    const int nTemplate = static_cast<int>(reinterpret_cast<uintptr_t>(pszTemplate));
    const DialogTemplate* pTemplate =
        reinterpret_cast<uintptr_t>(pszTemplate) <= 0xFFFF ? FindDialogTemplate(nTemplate) : nullptr;
    if (pTemplate == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HWND hDlg = NewWindow(nullptr, pTemplate->nId, "#32770", pTemplate->pszCaption, pTemplate->dwStyle);
    hDlg->pfnDialog = pfnDialog;
    for (int i = 0; i < pTemplate->nControls; ++i) {
        const DialogControl& control = pTemplate->pControls[i];
        hDlg->controls.push_back(
            NewWindow(hDlg, control.nId, control.pszClass, control.pszText, control.dwStyle));
    }
    if (pfnDialog != nullptr) pfnDialog(hDlg, WM_INITDIALOG, 0, lInit);
    if (IsLive(hDlg) && g_pObserver != nullptr) g_pObserver->OnDialogCreated(hDlg, pTemplate->nId);
    return IsLive(hDlg) ? hDlg : nullptr;
}

// What the system's dialog handling does with a message that the dialog
// procedure left alone (returned 0).
void DefaultDialogHandling(HWND hDlg, UINT uMsg) {
    if (uMsg == WM_CLOSE && hDlg->pfnDialog != nullptr) {
        hDlg->pfnDialog(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0),
                        reinterpret_cast<LPARAM>(Item(hDlg, IDCANCEL)));
    }
}

LRESULT Deliver(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (!IsLive(hWnd)) return 0;
    HWND hDlg = DialogOf(hWnd);
    if (hDlg != hWnd || hDlg->pfnDialog == nullptr) return 0;
    const INT_PTR nHandled = hDlg->pfnDialog(hDlg, uMsg, wParam, lParam);
    if (nHandled == 0 && IsLive(hDlg)) DefaultDialogHandling(hDlg, uMsg);
    return 0;
}

// Enter and Escape in a modal dialog become its default button and Cancel.
bool HandleDialogKey(HWND hDlg, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !IsLive(msg.hwnd) || DialogOf(msg.hwnd) != hDlg) return false;
    int nCommand = 0;
    if (msg.wParam == VK_RETURN) nCommand = IDOK;
    if (msg.wParam == VK_ESCAPE) nCommand = IDCANCEL;
    if (nCommand == 0) return false;
    Deliver(hDlg, WM_COMMAND, MAKEWPARAM(nCommand, 0), reinterpret_cast<LPARAM>(Item(hDlg, nCommand)));
    return true;
}

void DestroyTree(HWND hWnd) {
    for (HWND hCtl : hWnd->controls) DestroyTree(hCtl);
    g_windows.erase(std::find(g_windows.begin(), g_windows.end(), hWnd));
    // Messages for a window that is gone are dropped, as Windows does.
    t_queue.erase(std::remove_if(t_queue.begin(), t_queue.end(),
                                 [hWnd](const MSG& msg) { return msg.hwnd == hWnd; }),
                  t_queue.end());
    delete hWnd;
}

}  // namespace

void WindowObserver::OnDialogCreated(HWND, int) {}
void WindowObserver::OnModalIdle(HWND) {}
void WindowObserver::OnTextChanged(HWND) {}
void WindowObserver::OnProgress(HWND, int, int) {}
void WindowObserver::OnDialogDestroyed(HWND) {}
int WindowObserver::OnMessageBox(const char*, const char*, UINT) { return IDOK; }

WindowObserver* SetWindowObserver(WindowObserver* pObserver) {
    std::swap(g_pObserver, pObserver);
    return pObserver;
}

int DialogTemplateId(HWND hDlg) { return IsLive(hDlg) && hDlg->hParent == nullptr ? hDlg->nId : 0; }

int ControlCount(HWND hDlg) { return IsLive(hDlg) ? static_cast<int>(hDlg->controls.size()) : 0; }

HWND ControlAt(HWND hDlg, int nIndex) {
    return IsLive(hDlg) && nIndex >= 0 && nIndex < ControlCount(hDlg) ? hDlg->controls[nIndex] : nullptr;
}

const char* WindowClassName(HWND hWnd) { return IsLive(hWnd) ? hWnd->strClass.c_str() : ""; }

int ProgressPosition(HWND hCtl) { return IsLive(hCtl) ? hCtl->nPosition : 0; }

HWND CreateDialogParamA(HINSTANCE, LPCSTR pszTemplate, HWND, DLGPROC pfnDialog, LPARAM lInit) {
    return CreateFromTemplate(pszTemplate, pfnDialog, lInit);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR pszTemplate, HWND, DLGPROC pfnDialog, LPARAM lInit) {
    HWND hDlg = CreateFromTemplate(pszTemplate, pfnDialog, lInit);
    if (hDlg == nullptr) return -1;
    hDlg->bVisible = true;
    while (IsLive(hDlg) && !hDlg->bEnded) {
        if (t_queue.empty() && g_pObserver != nullptr) g_pObserver->OnModalIdle(hDlg);
        if (t_queue.empty()) {
            // Nobody to answer: the dialog is closed, never taken as agreed.
            PostMessageA(hDlg, WM_CLOSE, 0, 0);
        }
        MSG msg;
        GetMessageA(&msg, nullptr, 0, 0);
        if (!HandleDialogKey(hDlg, msg)) DispatchMessageA(&msg);
    }
    if (!IsLive(hDlg)) return -1;
    const INT_PTR nResult = hDlg->nResult;
    DestroyWindow(hDlg);
    return nResult;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult) {
    if (!IsLive(hDlg)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    hDlg->bEnded = true;
    hDlg->nResult = nResult;
    hDlg->bVisible = false;
    return TRUE;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    if (!IsLive(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    const bool bWasVisible = hWnd->bVisible;
    hWnd->bVisible = nCmdShow != SW_HIDE;
    if (g_pObserver != nullptr) g_pObserver->OnTextChanged(hWnd);
    return bWasVisible ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND hWnd) {
    if (!IsLive(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    if (hWnd->hParent == nullptr && g_pObserver != nullptr) g_pObserver->OnDialogDestroyed(hWnd);
    if (IsLive(hWnd->hParent)) {
        auto& siblings = hWnd->hParent->controls;
        siblings.erase(std::find(siblings.begin(), siblings.end(), hWnd));
    }
    DestroyTree(hWnd);
    return TRUE;
}

BOOL IsWindow(HWND hWnd) { return IsLive(hWnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hWnd) {
    for (HWND h = hWnd; h != nullptr; h = h->hParent) {
        if (!IsLive(h) || !h->bVisible) return FALSE;
    }
    return hWnd != nullptr ? TRUE : FALSE;
}

HWND GetDlgItem(HWND hDlg, int nId) {
    HWND hCtl = Item(hDlg, nId);
    if (hCtl == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return hCtl;
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR pszText) {
    if (!IsLive(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    hWnd->strText = pszText != nullptr ? pszText : "";
    if (g_pObserver != nullptr) g_pObserver->OnTextChanged(hWnd);
    return TRUE;
}

int GetWindowTextA(HWND hWnd, LPSTR pszBuffer, int nMax) {
    if (!IsLive(hWnd) || nMax <= 0) return 0;
    const size_t n = std::min(hWnd->strText.size(), static_cast<size_t>(nMax - 1));
    std::memcpy(pszBuffer, hWnd->strText.data(), n);
    pszBuffer[n] = '\0';
    return static_cast<int>(n);
}

BOOL SetDlgItemTextA(HWND hDlg, int nId, LPCSTR pszText) {
    HWND hCtl = Item(hDlg, nId);
    if (hCtl == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    return SetWindowTextA(hCtl, pszText);
}

UINT GetDlgItemTextA(HWND hDlg, int nId, LPSTR pszBuffer, int nMax) {
    HWND hCtl = Item(hDlg, nId);
    if (hCtl == nullptr) {
        if (nMax > 0) pszBuffer[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(hCtl, pszBuffer, nMax));
}

LRESULT SendDlgItemMessageA(HWND hDlg, int nId, UINT uMsg, WPARAM wParam, LPARAM) {
    HWND hCtl = Item(hDlg, nId);
    if (hCtl == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (hCtl->strClass != "msctls_progress32") return 0;
    if (uMsg == PBM_GETPOS) return hCtl->nPosition;
    if (uMsg != PBM_SETPOS) return 0;
    // The bar keeps its default range of 0 to 100.
    const int nPrevious = hCtl->nPosition;
    hCtl->nPosition = std::min(100, std::max(0, static_cast<int>(wParam)));
    if (g_pObserver != nullptr) g_pObserver->OnProgress(hDlg, nId, hCtl->nPosition);
    return nPrevious;
}

BOOL PostMessageA(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (hWnd != nullptr && !IsLive(hWnd)) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    t_queue.push_back(MSG{hWnd, uMsg, wParam, lParam, 0, {0, 0}});
    return TRUE;
}

BOOL PeekMessageA(LPMSG pMsg, HWND hWnd, UINT, UINT, UINT uRemove) {
    for (auto it = t_queue.begin(); it != t_queue.end(); ++it) {
        if (hWnd != nullptr && it->hwnd != hWnd) continue;
        *pMsg = *it;
        if (uRemove & PM_REMOVE) t_queue.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageA(LPMSG pMsg, HWND hWnd, UINT uMin, UINT uMax) {
    // Nothing here can wait for input that no one will give: an empty queue
    // is an error rather than a wait forever.
    if (!PeekMessageA(pMsg, hWnd, uMin, uMax, PM_REMOVE)) {
        std::memset(pMsg, 0, sizeof *pMsg);
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return pMsg->message == WM_QUIT_MESSAGE ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* pMsg) { return pMsg->message == WM_KEYDOWN ? TRUE : FALSE; }

LRESULT DispatchMessageA(const MSG* pMsg) {
    return Deliver(pMsg->hwnd, pMsg->message, pMsg->wParam, pMsg->lParam);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) { return TRUE; }

int MessageBoxA(HWND, LPCSTR pszText, LPCSTR pszCaption, UINT uType) {
    if (g_pObserver != nullptr) return g_pObserver->OnMessageBox(pszText, pszCaption, uType);
    std::string strText;
    std::string strCaption;
    if (!CodePageToUtf8(pszText != nullptr ? pszText : "", strText)) strText = pszText;
    if (pszCaption != nullptr && !CodePageToUtf8(pszCaption, strCaption)) strCaption = pszCaption;
    std::fprintf(stderr, "[%s] %s\n", strCaption.c_str(), strText.c_str());
    return IDOK;
}
