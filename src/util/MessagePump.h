#pragma once

#include <windows.h>

// Serves every message already waiting for the calling thread (for one window when given),
// so windows stay alive while long work reports progress. Never waits.
void PumpMessages(HWND window);
