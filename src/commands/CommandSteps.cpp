#include "commands/CommandSteps.h"

#include "commands/AutoRun.h"
#include "commands/FileActions.h"
#include "commands/ProgramShortcut.h"
#include "commands/ServerRegistration.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

const char* const UNKNOWN_COMMAND_TEXT = "Unknow command";

// A command's error text as its result. A failed command is reported and the list goes on, so
// it ends the run with no code of its own.
STEP_RESULT ResultOf(std::string error) {
    if (error.empty()) return StepSucceeded();
    return StepFailed(std::move(error));
}

// A kind that works from its section's fields.
class CSectionStep : public CCommandStep {
public:
    CSectionStep(ISystemCalls& calls, const CUpgradeCommand& command) : m_calls(calls), m_command(command) {}

protected:
    const std::string& Dest() const { return m_command.m_strDestPath; }
    std::string DestName() const { return GetFileNameOf(m_command.m_strDestPath); }

    ISystemCalls& m_calls;
    const CUpgradeCommand m_command;
};

// Register and Unregister: the list records what the command list asked for, so it changes
// whatever the outcome.
class CRegistrationStep : public CSectionStep {
public:
    CRegistrationStep(ISystemCalls& calls, const CUpgradeCommand& command, CRegistrationList& registered)
        : CSectionStep(calls, command), m_registered(registered) {}

protected:
    CRegistrationList::iterator FindRegistered() {
        for (auto it = m_registered.begin(); it != m_registered.end(); ++it) {
            if (EqualsNoCase(*it, Dest())) return it;
        }
        return m_registered.end();
    }

    CRegistrationList& m_registered;
};

class CRegisterStep : public CRegistrationStep {
public:
    using CRegistrationStep::CRegistrationStep;
    std::string GetDescription() const override { return FormatText("Register %s", DestName().c_str()); }
    STEP_RESULT Do() override {
        std::string error = RegisterServerFile(Dest());
        if (FindRegistered() == m_registered.end()) m_registered.push_back(Dest());
        return ResultOf(std::move(error));
    }
};

class CUnregisterStep : public CRegistrationStep {
public:
    using CRegistrationStep::CRegistrationStep;
    std::string GetDescription() const override { return FormatText("Unregister %s", DestName().c_str()); }
    STEP_RESULT Do() override {
        std::string error = UnregisterServerFile(Dest());
        const auto found = FindRegistered();
        if (found != m_registered.end()) m_registered.erase(found);
        return ResultOf(std::move(error));
    }
};

class CRemoveFileStep : public CSectionStep {
public:
    using CSectionStep::CSectionStep;
    std::string GetDescription() const override { return FormatText("Remove file %s", DestName().c_str()); }
    STEP_RESULT Do() override { return ResultOf(RemoveCommandFile(m_calls, Dest())); }
};

class CRenameStep : public CSectionStep {
public:
    using CSectionStep::CSectionStep;
    std::string GetDescription() const override {
        return FormatText("Rename file %s to %s", DestName().c_str(), m_command.m_strAnotherFileName.c_str());
    }
    STEP_RESULT Do() override { return ResultOf(RenameCommandFile(m_calls, Dest(), m_command.m_strAnotherFileName)); }
};

// The destination is the shortcut's name in the product's Start-menu folder.
class CShortcutStep : public CSectionStep {
public:
    using CSectionStep::CSectionStep;
    std::string GetDescription() const override { return FormatText("Create shortcut %s", Dest().c_str()); }
    STEP_RESULT Do() override { return ResultOf(CreateProgramShortcut(m_calls, Dest(), m_command.m_strSourcePath)); }
};

class CRemoveShortcutStep : public CSectionStep {
public:
    using CSectionStep::CSectionStep;
    std::string GetDescription() const override { return FormatText("Remove shortcut %s", Dest().c_str()); }
    STEP_RESULT Do() override { return ResultOf(RemoveProgramShortcut(m_calls, Dest())); }
};

class CAutoRunStep : public CSectionStep {
public:
    using CSectionStep::CSectionStep;
    std::string GetDescription() const override { return FormatText("Enable %s to auto run", DestName().c_str()); }
    STEP_RESULT Do() override {
        EnableAutoRun(Dest());
        return StepSucceeded();
    }
};

class CUnknownStep : public CCommandStep {
public:
    std::string GetDescription() const override { return UNKNOWN_COMMAND_TEXT; }
    STEP_RESULT Do() override { return ResultOf(UNKNOWN_COMMAND_TEXT); }
};

using StepMaker = std::unique_ptr<CCommandStep> (*)(ISystemCalls&, const CUpgradeCommand&, CRegistrationList&);

template <class TStep>
std::unique_ptr<CCommandStep> MakeStep(ISystemCalls& calls, const CUpgradeCommand& command,
                                       CRegistrationList& /*registered*/) {
    return std::make_unique<TStep>(calls, command);
}

template <class TStep>
std::unique_ptr<CCommandStep> MakeRegistrationStep(ISystemCalls& calls, const CUpgradeCommand& command,
                                                   CRegistrationList& registered) {
    return std::make_unique<TStep>(calls, command, registered);
}

struct COMMAND_KIND {
    const char* type;
    StepMaker make;
};

// The words of "Type", compared in this order, each as a whole.
const COMMAND_KIND COMMAND_KINDS[] = {
    {"Unregister", MakeRegistrationStep<CUnregisterStep>},
    {"Register", MakeRegistrationStep<CRegisterStep>},
    {"Remove File", MakeStep<CRemoveFileStep>},
    {"Rename", MakeStep<CRenameStep>},
    {"ShortCut", MakeStep<CShortcutStep>},
    {"RemoveShortCut", MakeStep<CRemoveShortcutStep>},
    {"AutoRun", MakeStep<CAutoRunStep>},
};

}  // namespace

std::unique_ptr<CCommandStep> MakeCommandStep(ISystemCalls& calls, const CUpgradeCommand& command,
                                              CRegistrationList& registered) {
    for (const COMMAND_KIND& kind : COMMAND_KINDS) {
        if (EqualsNoCase(command.m_strType, kind.type)) return kind.make(calls, command, registered);
    }
    return std::make_unique<CUnknownStep>();
}
