#include "support/progress_probe.h"

#include "resource.h"

void ProgressProbe::RecordPosition(int nPosition) {
    m_positions.push_back(nPosition);
    if (m_positions.size() == m_nCancelAt) {
        PostMessageA(m_hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    }
    if (m_onPosition) m_onPosition(m_positions.size());
}
