#pragma once

#include <string>

#include "upgrade/Checkpoint.h"
#include "upgrade/RunHost.h"
#include "upgrade/RunRecord.h"

// The host as an upgrade run sees it: every call goes on to the real host, and every line passes
// through the run's record on its way there, so the log holds exactly what the list shows. The
// checkpoint hook, when there is one, sees every post-install command carried out.
class CRecordingRunHost : public IRunHost {
public:
    CRecordingRunHost(IRunHost& host, RUN_KIND kind, bool bAutoMode, std::string packageVersion,
                      CheckpointHook atCheckpoint = {})
        : m_host(host), m_record(host, kind, bAutoMode, std::move(packageVersion)),
          m_atCheckpoint(std::move(atCheckpoint)) {}
    CRecordingRunHost(const CRecordingRunHost&) = delete;
    CRecordingRunHost& operator=(const CRecordingRunHost&) = delete;

    CRunRecord& Record() { return m_record; }
    // The real host, for a run of its own with a record of its own (a recovery the run makes first).
    IRunHost& Host() { return m_host; }

    bool IsStopRequested() override { return m_host.IsStopRequested(); }
    void ClearLines() override {
        m_host.ClearLines();
        m_record.ClearLines();
    }
    void SetProgressRange(int nUpper) override { m_host.SetProgressRange(nUpper); }
    int GetProgress() override { return m_host.GetProgress(); }
    void SetProgress(int nPosition) override { m_host.SetProgress(nPosition); }
    void ShowRunOver() override { m_host.ShowRunOver(); }
    void SetDecoderOptions() override { m_host.SetDecoderOptions(); }
    void ExecuteCommand(COMMAND_REQUEST& request) override {
        m_host.ExecuteCommand(request);
        if (m_atCheckpoint) m_atCheckpoint(CHECKPOINT_COMMAND_DONE);
    }

protected:
    int AppendLine(int nKind, const char* text) override { return m_record.AddLine(nKind, "%s", text); }

private:
    IRunHost& m_host;
    CRunRecord m_record;  // passes every line on to m_host
    CheckpointHook m_atCheckpoint;
};
