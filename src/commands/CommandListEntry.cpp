#include "commands/CommandListEntry.h"

const char* const COMMAND_LIST_FILE = "CMD List.ini";
