#pragma once

#include "commands/RegistrationRecord.h"
#include "commands/UpgradeCommand.h"
#include "util/LineSink.h"

// What the command list runner needs of whoever runs it: lines, and the two requests it has
// carried out on the dialog's thread (where COM objects and windows of the upgrade live).
class ICommandHost : public CLineSink {
public:
    // Writes the decoder options (SetFfdshowOptions) on the dialog's thread.
    virtual void SetDecoderOptions() = 0;
    // Carries one command out on the dialog's thread; the request gets its error text.
    virtual void ExecuteCommand(COMMAND_REQUEST& request, CRegistrationList& registered) = 0;
};

// Runs the post-install command list: reads every command, has each carried out through the
// host, keeps the registration record, and deletes the list file.
void RunCommandList(ICommandHost& host, const std::string& listPath, const std::string& installFolder);

// The two options of the ffdshow decoder that the new version expects. Only a decoder that is
// installed is changed: the key is never created.
void SetFfdshowOptions();
