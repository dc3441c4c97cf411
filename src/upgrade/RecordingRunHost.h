#pragma once

#include <string>

#include "upgrade/RunHost.h"
#include "upgrade/RunLogRecord.h"
#include "upgrade/RunSettings.h"

// The host as an upgrade run sees it: every call goes on to the real host, and every line passes
// through the run's record on its way there, so the log holds exactly what the list shows. Every
// post-install command carried out is a checkpoint.
class CRecordingRunHost : public IRunHost {
public:
    CRecordingRunHost(IRunHost& host, RUN_KIND kind, const RUN_SETTINGS& settings)
        : m_host(host), m_record(host, kind, settings.bAutoMode, settings.strPackageVersion),
          m_atCheckpoint(settings.atCheckpoint) {}
    CRecordingRunHost(const CRecordingRunHost&) = delete;
    CRecordingRunHost& operator=(const CRecordingRunHost&) = delete;

    CRunLogRecord& Record() { return m_record; }
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
        ReachCheckpoint(m_atCheckpoint, CHECKPOINT_COMMAND_DONE);
    }

protected:
    int AppendLine(int nKind, const char* text) override { return m_record.AddLine(nKind, "%s", text); }

private:
    IRunHost& m_host;
    CRunLogRecord m_record;  // passes every line on to m_host
    CheckpointHook m_atCheckpoint;
};
