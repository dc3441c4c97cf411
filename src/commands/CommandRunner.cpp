#include <windows.h>

#include <vector>

#include "commands/CommandHost.h"
#include "commands/CommandSteps.h"
#include "transaction/StepList.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

// The list's commands as steps, with what the action list shows for each.
struct COMMAND_STEPS {
    CRollForwardList list;
    std::vector<std::string> descriptions;
};

void ReadCommandSteps(const std::string& listPath, const std::string& installFolder, int count,
                      CRegistrationList& registered, COMMAND_STEPS& steps) {
    for (int i = 1; i <= count; ++i) {
        CUpgradeCommand command;
        command.ReadFromIni(FormatText("CMD %d", i), listPath, installFolder);
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

    const int count = static_cast<int>(::GetPrivateProfileIntA("CMD List", "CMD count", 0, listPath.c_str()));
    CRegistrationList registered;  // declared first: the registration steps keep it
    COMMAND_STEPS steps;
    ReadCommandSteps(listPath, installFolder, count, registered, steps);
    if (count != 0) host.AddLine(LINE_INFO, "Start to execute command");

    LoadRegistrationRecord(installFolder, registered);
    const std::vector<std::string>& descriptions = steps.descriptions;
    steps.list.Do(
        [&](size_t i) { host.AddLine(LINE_INFO, "        Start to %s...", ToLowerMb(descriptions[i]).c_str()); },
        [&](size_t i, const STEP_RESULT& result) { ReportStep(host, descriptions[i], result); },
        [&](CStep& step) { return DoOnHostThread(host, step); });
    SaveRegistrationRecord(installFolder, registered);
    if (count != 0) host.AddLine(LINE_INFO, "Execute command over");

    ::DeleteFileA(listPath.c_str());
}
