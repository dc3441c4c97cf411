#include "commands/CommandRunner.h"

#include <windows.h>

#include <algorithm>

#include "commands/CommandSteps.h"
#include "transaction/StepList.h"
#include "util/FileErrors.h"
#include "util/IniFile.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// Far more commands than any list has; a count beyond it, or beyond the sections the list
// holds, is not believed.
const unsigned MAX_COMMANDS = 1000;

using COMMAND_STEPS = CRollForwardList<CCommandStep>;

void ReadCommandSteps(ISystemCalls& calls, const CIniFile& list, const std::string& listPath,
                      const std::string& installFolder, unsigned count, CRegistrationList& registered,
                      COMMAND_STEPS& steps) {
    const WRITE_FOLDERS folders = GetWriteFolders(calls, installFolder, GetFolderOf(listPath));
    for (unsigned i = 1; i <= count; ++i) {
        CUpgradeCommand command;
        command.ReadFromIni(list, FormatText("CMD %u", i), folders);
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

std::string RunCommandList(ICommandHost& host, ISystemCalls& calls, const std::string& listPath,
                           const std::string& installFolder) {
    // The decoder settings go first, whether or not the list holds any command.
    host.SetDecoderOptions();
    CIniFile list;
    const DWORD readError = list.Read(calls, listPath, MAX_LIST_FILE_SIZE);
    // Deleted once it has run: a recovery that finds none has no command to repeat.
    const bool bMissing = readError == ERROR_FILE_NOT_FOUND || readError == ERROR_PATH_NOT_FOUND;
    if (readError != ERROR_SUCCESS && !bMissing)
        return FormatText("Read command list %s failed because of %s", listPath.c_str(),
                          GetSystemErrorText(readError).c_str());

    const unsigned counted = list.GetNumber("CMD List", "CMD count", 0);
    // A gap among the sections is a command without fields; the commands after the last section are not there.
    const unsigned count = std::min(counted, list.GetHighestNumberedName("", "CMD ", MAX_COMMANDS));
    CRegistrationList registered;  // declared first: the registration steps keep it
    COMMAND_STEPS steps;
    ReadCommandSteps(calls, list, listPath, installFolder, count, registered, steps);
    if (counted != 0) host.AddLine(LINE_INFO, "Start to execute command");
    if (count < counted)
        host.AddLine(LINE_PROMPT, "        The command list counts %u commands but holds only %u", counted, count);

    // A record that cannot be read is not written over: the items it holds would be lost.
    const std::string recordError = LoadRegistrationRecord(calls, installFolder, registered);
    if (!recordError.empty()) host.AddLine(LINE_PROMPT, "        %s", recordError.c_str());
    steps.Do(
        [&](const CCommandStep& step) {
            host.AddLine(LINE_INFO, "        Start to %s...", ToLowerMb(step.GetDescription()).c_str());
        },
        [&](const CCommandStep& step, const STEP_RESULT& result) { ReportStep(host, step, result); },
        [&](CCommandStep& step) { return DoOnHostThread(host, step); });
    const std::string saveError = recordError.empty() ? SaveRegistrationRecord(calls, installFolder, registered) : "";
    if (!saveError.empty()) host.AddLine(LINE_PROMPT, "        %s", saveError.c_str());
    if (counted != 0) host.AddLine(LINE_INFO, "Execute command over");

    calls.Delete(listPath.c_str());
    return std::string();
}
