#include "dialogs.h"
#include "resource.h"
#include "support/progress_probe.h"
#include "window_posix.h"

namespace {

class ProbeObserver : public WindowObserver {
public:
    explicit ProbeObserver(ProgressProbe& probe) : m_probe(probe) {}
    void OnProgress(HWND, int, int nPosition) override { m_probe.RecordPosition(nPosition); }
    void OnTextChanged(HWND hWnd) override {
        if (hWnd == GetDlgItem(m_probe.Handle(), IDC_STATUS)) {
            char szText[MAX_PATH];
            GetWindowTextA(hWnd, szText, sizeof szText);
            m_probe.RecordStatus(szText);
        }
    }

private:
    ProgressProbe& m_probe;
};

}  // namespace

ProgressProbe::ProgressProbe() {
    m_hDlg = CreateDialogParamA(nullptr, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressDlgProc, 0);
    ProbeObserver* pObserver = new ProbeObserver(*this);
    m_pPlatform = pObserver;
    SetWindowObserver(pObserver);
}

ProgressProbe::~ProgressProbe() {
    SetWindowObserver(nullptr);
    delete static_cast<ProbeObserver*>(m_pPlatform);
    if (IsWindow(m_hDlg)) DestroyWindow(m_hDlg);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}
