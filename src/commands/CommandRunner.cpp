#include <windows.h>

#include <algorithm>
#include <vector>

#include "commands/CommandHost.h"
#include "commands/CommandSteps.h"
#include "transaction/StepList.h"
#include "util/IniFile.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// Far more commands than any list has; a count beyond it, or beyond the sections the list
// holds, is not believed.
const unsigned MAX_COMMANDS = 1000;

// The list's commands as steps, with what the action list shows for each.
struct COMMAND_STEPS {
    CRollForwardList list;
    std::vector<std::string> descriptions;
};

void ReadCommandSteps(const std::string& listPath, const std::string& installFolder, unsigned count,
                      CRegistrationList& registered, COMMAND_STEPS& steps) {
    for (unsigned i = 1; i <= count; ++i) {
        CUpgradeCommand command;
        command.ReadFromIni(FormatText("CMD %u", i), listPath, installFolder);
        std::unique_ptr<CCommandStep> step = MakeCommandStep(command, registered);
        steps.descriptions.push_back(step->GetDescription());
        steps.list.Add(std::move(step));
    }
}

STEP_RESULT DoOnHostThread(ICommandHost& host, CStep& step) {
    COMMAND_REQUEST request;
    request.pStep = &step;
    host.ExecuteCommand(request);
    return request.result;
}

void ReportStep(ICommandHost& host, const std::string& description, const STEP_RESULT& result) {
    if (!result.Succeeded())
        host.AddLine(LINE_PROMPT, "        %s", result.strText.c_str());
    else
        host.AddLine(LINE_INFO, "        %s completely", description.c_str());
}

}  // namespace

void RunCommandList(ICommandHost& host, const std::string& listPath, const std::string& installFolder) {
    // The decoder settings go first, whether or not the list holds any command.
    host.SetDecoderOptions();

    const unsigned counted = ::GetPrivateProfileIntA("CMD List", "CMD count", 0, listPath.c_str());
    // A gap among the sections is a command without fields; the commands after the last section are not there.
    const unsigned count = std::min(counted, GetHighestNumberedName(listPath, "", "CMD ", MAX_COMMANDS));
    CRegistrationList registered;  // declared first: the registration steps keep it
    COMMAND_STEPS steps;
    ReadCommandSteps(listPath, installFolder, count, registered, steps);
    if (counted != 0) host.AddLine(LINE_INFO, "Start to execute command");
    if (count < counted)
        host.AddLine(LINE_PROMPT, "        The command list counts %u commands but holds only %u", counted, count);

    LoadRegistrationRecord(installFolder, registered);
    const std::vector<std::string>& descriptions = steps.descriptions;
    steps.list.Do(
        [&](size_t i) { host.AddLine(LINE_INFO, "        Start to %s...", ToLowerMb(descriptions[i]).c_str()); },
        [&](size_t i, const STEP_RESULT& result) { ReportStep(host, descriptions[i], result); },
        [&](CStep& step) { return DoOnHostThread(host, step); });
    SaveRegistrationRecord(installFolder, registered);
    if (counted != 0) host.AddLine(LINE_INFO, "Execute command over");

    ::DeleteFileA(listPath.c_str());
}
