// Drives the upgrader's dialog for a demonstration without a user:
//   QuorindoDemoRobot upgrade <saved list.txt>   press "Upgrade", confirm the advice, wait for the
//       closing line, print every line as "<colour in hex> <text>", save the list through the
//       program's own Save All. Exit status 0 when the run ended with the success line.
//   QuorindoDemoRobot close                      press Close and wait until the dialog is gone.
//   QuorindoDemoRobot wait <title>               wait until a top-level window (hidden too) exists.
//   QuorindoDemoRobot run <program> [arguments]  start a program and wait for it to end. Exit
//       status 255, and a line naming the exception code, when it crashed; its own status otherwise
//       (the upgrader's are 0 to 12).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/ScopedHandles.h"
#include "robot/StartedProgram.h"
#include "robot/WindowRobot.h"

namespace {

const char DIALOG_TITLE[] = "Upgrade Quorindo to Version 0.0.6.7";
const char CLOSING_LINE[] =
    "All over for upgrading! Please right-click on 'List for Action' to copy or save the informations for upgrading.";
const char SUCCESS_LINE[] = "Upgrade successfully!";
const int LIST_ID = 1000;
const int UPGRADE_ID = 1001;
const int SAVE_ALL_POSITION = 1;
const DWORD START_WAIT_MS = 60000;
const DWORD RUN_WAIT_MS = 300000;
// Statuses 0xC0000000-0xCFFFFFFF are the exceptions that ended a program.
const DWORD CRASH_STATUS_MASK = 0xF0000000;
const DWORD CRASH_STATUS = 0xC0000000;
const int CRASHED = 255;

std::vector<robot::ListLine> ReadLines(HWND dialog) {
    std::vector<robot::ListLine> lines;
    for (robot::ListLine& line : robot::ReadList(::GetDlgItem(dialog, LIST_ID)))
        if (line.length > 0) lines.push_back(std::move(line));
    return lines;
}

int Fail(const char* what) {
    std::fprintf(stderr, "robot: %s\n", what);
    return 2;
}

int Upgrade(const std::string& savePath) {
    HWND dialog = robot::WaitForWindow(DIALOG_TITLE, START_WAIT_MS);
    if (dialog == nullptr) return Fail("the upgrader's dialog did not appear");
    DWORD processId = 0;
    ::GetWindowThreadProcessId(dialog, &processId);

    robot::PressButton(dialog, UPGRADE_ID);
    HWND advice = robot::WaitForProcessWindow(processId, "#32770", dialog);
    if (advice == nullptr) return Fail("no advice box after \"Upgrade\"");
    std::string adviceText = robot::GetMessageBoxText(advice);
    for (char& c : adviceText)
        if (c == '\n') c = ' ';
    std::printf("advice %s\n", adviceText.c_str());
    robot::PressButton(advice, IDOK);

    std::vector<robot::ListLine> lines;
    // A dialog that went away (a crashed upgrader) ends the wait at once.
    if (!robot::WaitUntil([&] {
            lines = ReadLines(dialog);
            return !::IsWindow(dialog) || (!lines.empty() && lines.back().text == CLOSING_LINE);
        }, RUN_WAIT_MS) || !::IsWindow(dialog))
        return Fail("the run did not reach its closing line");
    bool succeeded = false;
    for (const robot::ListLine& line : lines) {
        std::printf("line %06lX %s\n", static_cast<unsigned long>(line.color), line.text.c_str());
        if (line.text == SUCCESS_LINE) succeeded = true;
    }

    robot::RightClick(::GetDlgItem(dialog, LIST_ID));
    HWND menu = robot::WaitForProcessWindow(processId, "#32768");
    if (menu == nullptr) return Fail("no menu on the action list");
    robot::ChoosePopupMenuItem(menu, SAVE_ALL_POSITION);
    HWND saveDialog = robot::WaitForProcessWindow(processId, "#32770", dialog);
    if (saveDialog == nullptr || !robot::EnterFileName(saveDialog, savePath)) return Fail("no save dialog");
    if (!robot::WaitUntil([&] { return ::GetFileAttributesA(savePath.c_str()) != INVALID_FILE_ATTRIBUTES; }))
        return Fail("the list was not saved");
    std::fflush(stdout);
    return succeeded ? 0 : 1;
}

int Close() {
    HWND dialog = robot::WaitForWindow(DIALOG_TITLE, START_WAIT_MS);
    if (dialog == nullptr) return Fail("the upgrader's dialog is not there");
    robot::PressButton(dialog, IDCANCEL);
    return robot::WaitUntil([&] { return !::IsWindow(dialog); }) ? 0 : Fail("the dialog stayed open");
}

// The program and its arguments, each quoted, as one command line.
std::string JoinCommandLine(int argc, char** argv, int first) {
    std::string line;
    for (int i = first; i < argc; ++i) {
        if (!line.empty()) line += ' ';
        line += '"' + std::string(argv[i]) + '"';
    }
    return line;
}

int Run(int argc, char** argv) {
    CStartedProgram program;
    if (!program.Start(argv[2], JoinCommandLine(argc, argv, 3))) return Fail("the program could not be started");
    DWORD status = 0;
    program.Wait(INFINITE, &status);
    if ((status & CRASH_STATUS_MASK) != CRASH_STATUS) return static_cast<int>(status & 0xFF);
    std::fprintf(stderr, "robot: %s crashed with exception 0x%08lX\n", argv[2], static_cast<unsigned long>(status));
    return CRASHED;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "upgrade" && argc == 3) return Upgrade(argv[2]);
    if (command == "close" && argc == 2) return Close();
    if (command == "wait" && argc == 3)
        return robot::WaitForWindow(argv[2], START_WAIT_MS) != nullptr ? 0 : Fail("no such window");
    if (command == "run" && argc >= 3) return Run(argc, argv);
    std::fputs("Usage: QuorindoDemoRobot upgrade <saved list.txt> | close | wait <title> | run <program> [arguments]\n",
               stderr);
    return 2;
}
