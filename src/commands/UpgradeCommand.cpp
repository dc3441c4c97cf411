#include "commands/UpgradeCommand.h"

#include "commands/AutoRun.h"
#include "commands/FileActions.h"
#include "commands/ProgramShortcut.h"
#include "commands/ServerRegistration.h"
#include "util/IniFile.h"
#include "util/IniKeys.h"
#include "util/PathParts.h"
#include "util/PathTokens.h"
#include "util/TextCompare.h"
#include "util/TextFormat.h"

namespace {

enum CommandKind {
    KIND_UNREGISTER,
    KIND_REGISTER,
    KIND_REMOVE_FILE,
    KIND_RENAME,
    KIND_SHORTCUT,
    KIND_REMOVE_SHORTCUT,
    KIND_AUTO_RUN,
    KIND_UNKNOWN,
};

struct COMMAND_KIND {
    const char* type;
    CommandKind kind;
};

// The words of "Type", compared in this order, each as a whole.
const COMMAND_KIND COMMAND_KINDS[] = {
    {"Unregister", KIND_UNREGISTER},  {"Register", KIND_REGISTER},
    {"Remove File", KIND_REMOVE_FILE}, {"Rename", KIND_RENAME},
    {"ShortCut", KIND_SHORTCUT},       {"RemoveShortCut", KIND_REMOVE_SHORTCUT},
    {"AutoRun", KIND_AUTO_RUN},
};

const char* const UNKNOWN_COMMAND_TEXT = "Unknow command";

CommandKind FindKind(const std::string& type) {
    for (const COMMAND_KIND& row : COMMAND_KINDS) {
        if (EqualsNoCase(type, row.type)) return row.kind;
    }
    return KIND_UNKNOWN;
}

CRegistrationList::iterator FindRegistered(CRegistrationList& registered, const std::string& path) {
    for (auto it = registered.begin(); it != registered.end(); ++it) {
        if (EqualsNoCase(*it, path)) return it;
    }
    return registered.end();
}

// The list records what the command list asked for, so it changes whatever the outcome.
std::string Register(const std::string& path, CRegistrationList& registered) {
    std::string error = RegisterServerFile(path);
    if (FindRegistered(registered, path) == registered.end()) registered.push_back(path);
    return error;
}

std::string Unregister(const std::string& path, CRegistrationList& registered) {
    std::string error = UnregisterServerFile(path);
    const auto found = FindRegistered(registered, path);
    if (found != registered.end()) registered.erase(found);
    return error;
}

}  // namespace

void CUpgradeCommand::ReadFromIni(const std::string& section, const std::string& listPath,
                                  const std::string& installFolder) {
    m_strType = GetIniString(section, "Type", "", listPath);
    m_strDestPath = ExpandPathTokens(GetIniString(section, INI_KEY_DEST_RELATIVE_PATH, "", listPath), installFolder);
    m_strSourcePath = ExpandPathTokens(GetIniString(section, INI_KEY_SOURCE_PATH, "", listPath), installFolder);
    m_strAnotherFileName = ExpandPathTokens(GetIniString(section, "Another File Name", "", listPath), installFolder);
}

std::string CUpgradeCommand::GetDescription() const {
    const std::string fileName = GetFileNameOf(m_strDestPath);
    switch (FindKind(m_strType)) {
    case KIND_REGISTER: return FormatText("Register %s", fileName.c_str());
    case KIND_UNREGISTER: return FormatText("Unregister %s", fileName.c_str());
    case KIND_REMOVE_FILE: return FormatText("Remove file %s", fileName.c_str());
    case KIND_RENAME: return FormatText("Rename file %s to %s", fileName.c_str(), m_strAnotherFileName.c_str());
    case KIND_SHORTCUT: return FormatText("Create shortcut %s", m_strDestPath.c_str());
    case KIND_REMOVE_SHORTCUT: return FormatText("Remove shortcut %s", m_strDestPath.c_str());
    case KIND_AUTO_RUN: return FormatText("Enable %s to auto run", fileName.c_str());
    case KIND_UNKNOWN: break;
    }
    return UNKNOWN_COMMAND_TEXT;
}

std::string CUpgradeCommand::Execute(CRegistrationList& registered) const {
    switch (FindKind(m_strType)) {
    case KIND_UNREGISTER: return Unregister(m_strDestPath, registered);
    case KIND_REGISTER: return Register(m_strDestPath, registered);
    case KIND_REMOVE_FILE: return RemoveCommandFile(m_strDestPath);
    case KIND_RENAME: return RenameCommandFile(m_strDestPath, m_strAnotherFileName);
    case KIND_SHORTCUT: CreateProgramShortcut(m_strDestPath, m_strSourcePath); return std::string();
    case KIND_REMOVE_SHORTCUT: RemoveProgramShortcut(m_strDestPath); return std::string();
    case KIND_AUTO_RUN: EnableAutoRun(m_strDestPath); return std::string();
    case KIND_UNKNOWN: break;
    }
    return UNKNOWN_COMMAND_TEXT;
}
