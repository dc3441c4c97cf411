#pragma once

#include <string>

#include "commands/CommandHost.h"
#include "os/SystemCalls.h"

// Runs the post-install command list: reads every command as a step of a roll-forward list, has
// each carried out through the host, keeps the registration record, and deletes the list file.
// The list is the package's "<Temp>\CMD List.ini", so its commands' "<Temp>\" is the folder it
// lies in: in a run, the run's private work folder, never the user's temporary folder.
void RunCommandList(ICommandHost& host, ISystemCalls& calls, const std::string& listPath,
                    const std::string& installFolder);
