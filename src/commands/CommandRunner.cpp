#include "commands/CommandRunner.h"

#include <windows.h>

#include <algorithm>

#include "commands/CommandSteps.h"
#include "transaction/StepList.h"
#include "util/IniFile.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// Far more commands than any list has; a count beyond it, or beyond the sections the list
// holds, is not believed.
const unsigned MAX_COMMANDS = 1000;

using COMMAND_STEPS = CRollForwardList<CCommandStep>;

void ReadCommandSteps(ISystemCalls& calls, const std::string& listPath, const std::string& installFolder,
                      unsigned count, CRegistrationList& registered, COMMAND_STEPS& steps) {
    const WRITE_FOLDERS folders = GetWriteFolders(calls, installFolder, GetFolderOf(listPath));
    for (unsigned i = 1; i <= count; ++i) {
        CUpgradeCommand command;
        command.ReadFromIni(calls, FormatText("CMD %u", i), listPath, folders);
        steps.Add(MakeCommandStep(calls, command, registered));
    }
}

STEP_RESULT DoOnHostThread(ICommandHost& host, CStep& step) {
    COMMAND_REQUEST request;
    request.pStep = &step;
    host.ExecuteCommand(request);
    return request.result;
}

void ReportStep(ICommandHost& host, const CCommandStep& step, const STEP_RESULT& result) {
    if (!result.Succeeded())
        host.AddLine(LINE_PROMPT, "        %s", result.strText.c_str());
    else
        host.AddLine(LINE_INFO, "        %s completely", step.GetDescription().c_str());
}

}  // namespace

void RunCommandList(ICommandHost& host, ISystemCalls& calls, const std::string& listPath,
                    const std::string& installFolder) {
    // The decoder settings go first, whether or not the list holds any command.
    host.SetDecoderOptions();

    const unsigned counted = GetIniNumber(calls, "CMD List", "CMD count", 0, listPath);
    // A gap among the sections is a command without fields; the commands after the last section are not there.
    const unsigned count = std::min(counted, GetHighestNumberedName(calls, listPath, "", "CMD ", MAX_COMMANDS));
    CRegistrationList registered;  // declared first: the registration steps keep it
    COMMAND_STEPS steps;
    ReadCommandSteps(calls, listPath, installFolder, count, registered, steps);
    if (counted != 0) host.AddLine(LINE_INFO, "Start to execute command");
    if (count < counted)
        host.AddLine(LINE_PROMPT, "        The command list counts %u commands but holds only %u", counted, count);

    LoadRegistrationRecord(calls, installFolder, registered);
    steps.Do(
        [&](const CCommandStep& step) {
            host.AddLine(LINE_INFO, "        Start to %s...", ToLowerMb(step.GetDescription()).c_str());
        },
        [&](const CCommandStep& step, const STEP_RESULT& result) { ReportStep(host, step, result); },
        [&](CCommandStep& step) { return DoOnHostThread(host, step); });
    SaveRegistrationRecord(calls, installFolder, registered);
    if (counted != 0) host.AddLine(LINE_INFO, "Execute command over");

    calls.Delete(listPath.c_str());
}
