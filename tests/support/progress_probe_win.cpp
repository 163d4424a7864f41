#include "winapi.h"
#include "dialogs.h"
#include "resource.h"
#include "support/progress_probe.h"

namespace {

const char kProbeProperty[] = "ProgressProbe";
const char kOriginalProperty[] = "ProgressProbeOriginal";

ProgressProbe* ProbeOf(HWND hCtl) { return static_cast<ProgressProbe*>(GetPropA(hCtl, kProbeProperty)); }

// Sees every message sent to a control before the control does.
LRESULT CALLBACK RecordingProc(HWND hCtl, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    WNDPROC pfnOriginal = reinterpret_cast<WNDPROC>(GetPropA(hCtl, kOriginalProperty));
    if (ProgressProbe* pProbe = ProbeOf(hCtl)) {
        if (uMsg == PBM_SETPOS) pProbe->RecordPosition(static_cast<int>(wParam));
        if (uMsg == WM_SETTEXT) pProbe->RecordStatus(reinterpret_cast<const char*>(lParam));
    }
    return CallWindowProcA(pfnOriginal, hCtl, uMsg, wParam, lParam);
}

void Subclass(HWND hCtl, ProgressProbe* pProbe) {
    SetPropA(hCtl, kProbeProperty, pProbe);
    SetPropA(hCtl, kOriginalProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrA(hCtl, GWLP_WNDPROC)));
    SetWindowLongPtrA(hCtl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc));
}

void Unsubclass(HWND hCtl) {
    SetWindowLongPtrA(hCtl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropA(hCtl, kOriginalProperty)));
    RemovePropA(hCtl, kProbeProperty);
    RemovePropA(hCtl, kOriginalProperty);
}

void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

ProgressProbe::ProgressProbe() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // The dialog stays hidden, so no painting or input competes with the
    // one message that the copier serves per chunk.
    m_hDlg = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                ProgressDlgProc, 0);
    if (m_hDlg == nullptr) return;
    Subclass(GetDlgItem(m_hDlg, IDC_PROGRESS), this);
    Subclass(GetDlgItem(m_hDlg, IDC_STATUS), this);
    DrainQueue();
}

ProgressProbe::~ProgressProbe() {
    if (m_hDlg == nullptr) return;
    Unsubclass(GetDlgItem(m_hDlg, IDC_PROGRESS));
    Unsubclass(GetDlgItem(m_hDlg, IDC_STATUS));
    DestroyWindow(m_hDlg);
    DrainQueue();
}
