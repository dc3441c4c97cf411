#pragma once

#include <string>

#include "commands/CommandHost.h"

// Runs the post-install command list: reads every command as a step of a roll-forward list, has
// each carried out through the host, keeps the registration record, and deletes the list file.
void RunCommandList(ICommandHost& host, const std::string& listPath, const std::string& installFolder);
