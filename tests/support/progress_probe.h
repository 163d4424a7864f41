// A real progress dialog for copier tests: it records every bar position
// and status text that the copier sets, and can press Cancel at a chosen
// bar update.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "winapi.h"

class ProgressProbe {
public:
    ProgressProbe();
    ~ProgressProbe();
    ProgressProbe(const ProgressProbe&) = delete;
    ProgressProbe& operator=(const ProgressProbe&) = delete;

    HWND Handle() const { return m_hDlg; }
    const std::vector<int>& Positions() const { return m_positions; }
    const std::vector<std::string>& Statuses() const { return m_statuses; }

    // Posts a Cancel command to the dialog right after the bar has been set
    // for the n-th time (1-based), as a click between two chunks would.
    void CancelAtPosition(size_t n) { m_nCancelAt = n; }

    // Runs after each bar update with the number of updates so far.
    void OnPosition(std::function<void(size_t)> onPosition) { m_onPosition = std::move(onPosition); }

    // Called by the platform part.
    void RecordPosition(int nPosition);
    void RecordStatus(const std::string& strText) { m_statuses.push_back(strText); }

private:
    HWND m_hDlg = nullptr;
    std::vector<int> m_positions;
    std::vector<std::string> m_statuses;
    size_t m_nCancelAt = 0;
    std::function<void(size_t)> m_onPosition;
    void* m_pPlatform = nullptr;
};
