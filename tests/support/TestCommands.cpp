#include "support/TestCommands.h"

#include "support/TestCalls.h"

std::unique_ptr<CCommandStep> MakeTestCommand(const std::string& type, const std::string& dest,
                                              const std::string& another, const std::string& source,
                                              CRegistrationList* registered) {
    static CRegistrationList unread;
    CUpgradeCommand command;
    command.m_strType = type;
    command.m_strDestPath = dest;
    command.m_strAnotherFileName = another;
    command.m_strSourcePath = source;
    return MakeCommandStep(TestCalls(), command, registered ? *registered : unread);
}

std::string DoTestCommand(const std::string& type, const std::string& dest, const std::string& another,
                          const std::string& source, CRegistrationList* registered) {
    return MakeTestCommand(type, dest, another, source, registered)->Do().strText;
}
