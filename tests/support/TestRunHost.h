#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "upgrade/RunHost.h"

// Whether the RunOnce value that brings a recovery at the next logon is there.
bool HasRecoveryAtLogon();
// Whether the product's registry holds an upgrade record.
bool HasUpgradeRecord();

// The run's host: keeps the lines and the bar; stops at a chosen stop check; carries commands
// out at once.
class CTestRunHost : public IRunHost {
public:
    int m_nStopAtCheck = 0;     // 1-based; 0: never
    int m_nChecks = 0;
    std::vector<std::string> m_lines;
    int m_nProgress = -1;
    bool m_bOver = false;
    std::function<void(const std::string&)> m_onLine;  // sees every line as it comes

    bool Has(const std::string& text) const { return std::find(m_lines.begin(), m_lines.end(), text) != m_lines.end(); }

    // A stop, once asked for, stays asked for.
    bool IsStopRequested() override { return ++m_nChecks >= m_nStopAtCheck && m_nStopAtCheck != 0; }
    void ClearLines() override { m_lines.clear(); }
    void SetProgressRange(int) override {}
    int GetProgress() override { return m_nProgress; }
    void SetProgress(int nPosition) override { m_nProgress = nPosition; }
    void ShowRunOver() override { m_bOver = true; }
    void SetDecoderOptions() override {}
    void ExecuteCommand(COMMAND_REQUEST& request) override { request.result = request.pStep->Do(); }

protected:
    int AppendLine(int, const char* text) override;
};
