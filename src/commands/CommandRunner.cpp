#include <windows.h>

#include "commands/CommandHost.h"
#include "framework/OwningList.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

void RunCommandList(ICommandHost& host, const std::string& listPath, const std::string& installFolder) {
    // The decoder settings go first, whether or not the list holds any command.
    host.SetDecoderOptions();

    const int count = static_cast<int>(::GetPrivateProfileIntA("CMD List", "CMD count", 0, listPath.c_str()));
    COwningList<CUpgradeCommand> commands;
    for (int i = 1; i <= count; ++i)
        commands.Emplace()->ReadFromIni(FormatText("CMD %d", i), listPath, installFolder);
    if (count != 0) host.AddLine(LINE_INFO, "Start to execute command");

    CRegistrationList registered;
    LoadRegistrationRecord(installFolder, registered);
    for (const auto& command : commands) {
        host.AddLine(LINE_INFO, "        Start to %s...", ToLowerMb(command->GetDescription()).c_str());
        COMMAND_REQUEST request;
        request.pCommand = command.get();
        host.ExecuteCommand(request, registered);
        if (!request.strError.empty())
            host.AddLine(LINE_PROMPT, "        %s", request.strError.c_str());
        else
            host.AddLine(LINE_INFO, "        %s completely", command->GetDescription().c_str());
    }
    SaveRegistrationRecord(installFolder, registered);
    registered.clear();
    if (count != 0) host.AddLine(LINE_INFO, "Execute command over");

    commands.RemoveAll();
    ::DeleteFileA(listPath.c_str());
}
