#include "util/MessagePump.h"

void PumpMessages(HWND window) {
    MSG msg;
    while (::PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}
