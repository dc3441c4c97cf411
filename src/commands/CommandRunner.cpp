#include <windows.h>

#include "app/UpgradeDlg.h"
#include "commands/RegistrationRecord.h"
#include "commands/UpgradeCommand.h"
#include "framework/OwningList.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

// The command list runner: members of the main dialog that belong to the command list.

void CUpgradeDlg::RunCommandList(const std::string& listPath, const std::string& installFolder) {
    // The decoder settings go first, whether or not the list holds any command.
    Send(WM_SET_FFDSHOW_OPTIONS, 0, 0);

    const int count = static_cast<int>(::GetPrivateProfileIntA("CMD List", "CMD count", 0, listPath.c_str()));
    COwningList<CUpgradeCommand> commands;
    for (int i = 1; i <= count; ++i)
        commands.Emplace()->ReadFromIni(FormatText("CMD %d", i), listPath, installFolder);
    if (count != 0) AddLine(LINE_INFO, "Start to execute command");

    CRegistrationList registered;
    LoadRegistrationRecord(installFolder, registered);
    for (const auto& command : commands) {
        AddLine(LINE_INFO, "        Start to %s...", ToLowerMb(command->GetDescription()).c_str());
        // The request and the list stay on this stack; the dialog's thread reaches them only
        // while this thread waits in the send.
        COMMAND_REQUEST request;
        request.pCommand = command.get();
        Send(WM_EXECUTE_COMMAND, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(&registered));
        if (!request.strError.empty())
            AddLine(LINE_PROMPT, "        %s", request.strError.c_str());
        else
            AddLine(LINE_INFO, "        %s completely", command->GetDescription().c_str());
    }
    SaveRegistrationRecord(installFolder, registered);
    registered.clear();
    if (count != 0) AddLine(LINE_INFO, "Execute command over");

    commands.RemoveAll();
    ::DeleteFileA(listPath.c_str());
}

LRESULT CUpgradeDlg::OnExecuteCommand(WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<COMMAND_REQUEST*>(wParam);
    auto* registered = reinterpret_cast<CRegistrationList*>(lParam);
    if (request == nullptr || registered == nullptr || request->pCommand == nullptr) return 0;
    request->strError = request->pCommand->Execute(*registered);
    return 0;
}
