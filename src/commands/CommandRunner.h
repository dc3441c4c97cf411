#pragma once

#include <string>

#include "commands/CommandHost.h"
#include "os/SystemCalls.h"

// Runs the post-install command list: reads every command as a step of a roll-forward list, has
// each carried out through the host, keeps the registration record, and deletes the list file.
// The list is the package's "<Temp>\CMD List.ini", so its commands' "<Temp>\" is the folder it
// lies in: in a run, the run's private work folder, never the user's temporary folder. A list that
// is not there holds no command (it is deleted once it has run); one that cannot be read runs
// nothing and stays: the answer is its failure text, empty otherwise.
std::string RunCommandList(ICommandHost& host, ISystemCalls& calls, const std::string& listPath,
                           const std::string& installFolder);
