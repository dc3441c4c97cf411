// Times a whole upgrade through the real dialog: from the press of "Upgrade" (the advice box
// confirmed) to the run's closing line in the action list.
// Usage:
//   bench_dialog.exe inject <upgrader.exe> <payload.dat> <copy.exe>   the copy carries the payload
//   bench_dialog.exe run <copy.exe> <installation folder>             one timed run; prints run_ms=
//   bench_dialog.exe auto <copy.exe> <installation folder>            one timed "/auto" run, from the
//       program's start to its end; prints run_ms=
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "robot/ResourceInjector.h"
#include "robot/StartedProgram.h"
#include "robot/WindowRobot.h"
#include "system/ProductNames.h"
#include "util/PathParts.h"

namespace {

const char TITLE[] = "Upgrade Quorindo to Version 0.0.6.7";
const char CLOSING_LINE[] =
    "All over for upgrading! Please right-click on 'List for Action' to copy or save the informations for upgrading.";
const DWORD RUN_LIMIT_MS = 300000;

int Inject(const std::string& upgrader, const std::string& payload, const std::string& copy) {
    std::ifstream file(payload, std::ios::binary);
    const std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty() || !CopyWithPackage(upgrader, copy, bytes)) {
        std::fprintf(stderr, "cannot put %s into %s\n", payload.c_str(), copy.c_str());
        return 1;
    }
    return 0;
}

// The last line of the list, read alone so that polling stays cheap. Wine hands another
// process's list text back in UTF-16 even to the ANSI call, so it is asked for as such.
std::wstring LastLine(HWND list) {
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = count - 1; i >= 0 && i >= count - 2; --i) {
        const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (length <= 0 || length > robot::MAX_REMOTE_TEXT) continue;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied = ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
    }
    return std::wstring();
}

bool RegisterInstallation(std::string install) {
    install = WithoutFinalBackslash(install);
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    ::RegSetValueExA(key, INSTALL_PATH_VALUE, 0, REG_SZ, reinterpret_cast<const BYTE*>(install.c_str()),
                     static_cast<DWORD>(install.size() + 1));
    ::RegCloseKey(key);
    return true;
}

double MillisecondsBetween(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The whole silent run, start-up and end of the process included.
int RunAuto(const std::string& copy, const std::string& install) {
    if (!RegisterInstallation(install)) return 1;
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    CStartedProgram upgrader;
    if (!upgrader.Start(copy, "/auto")) return 1;
    DWORD exitCode = 1;
    if (!upgrader.Wait(RUN_LIMIT_MS, &exitCode)) return 1;
    ::QueryPerformanceCounter(&end);
    std::printf("run_ms=%.1f\n", MillisecondsBetween(start, end));
    return 0;
}

int Run(const std::string& copy, const std::string& install) {
    if (!RegisterInstallation(install)) return 1;

    CStartedProgram upgrader;
    if (!upgrader.Start(copy)) return 1;
    upgrader.WaitForMessageLoop();
    HWND dialog = robot::WaitForWindow(TITLE);
    if (dialog == nullptr) return 1;
    HWND list = ::GetDlgItem(dialog, 1000);
    robot::PressButton(dialog, 1001);
    HWND advice = robot::WaitForProcessWindow(upgrader.GetId(), "#32770", dialog);
    if (advice == nullptr) return 1;
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    robot::PressButton(advice, IDOK);
    // Polled every 2 ms: the robot's own wait is too coarse for a figure.
    const ULONGLONG deadline = ::GetTickCount64() + RUN_LIMIT_MS;
    const std::wstring closingLine(CLOSING_LINE, CLOSING_LINE + sizeof(CLOSING_LINE) - 1);
    while (LastLine(list) != closingLine) {
        if (::GetTickCount64() > deadline) return 1;
        ::Sleep(2);
    }
    ::QueryPerformanceCounter(&end);

    bool succeeded = false;
    const LRESULT count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
    int entries = 0;
    for (const robot::ListLine& line : robot::ReadList(list)) {
        if (line.text == "Upgrade successfully!") succeeded = true;
        if (line.text.rfind("        Upgrade - ", 0) == 0) ++entries;
    }
    robot::PressButton(dialog, IDCANCEL);
    robot::WaitForHandle(upgrader.GetHandle());
    std::printf("run_ms=%.1f entries=%d lines=%ld succeeded=%d\n",
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
                entries, static_cast<long>(count), succeeded ? 1 : 0);
    return succeeded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "inject" && argc == 5) return Inject(argv[2], argv[3], argv[4]);
    if (mode == "run" && argc == 4) return Run(argv[2], argv[3]);
    if (mode == "auto" && argc == 4) return RunAuto(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_dialog inject <upgrader> <payload> <copy> | run|auto <copy> <installation>\n");
    return 2;
}
