#include <windows.h>

// Stands in for one of the product's programs (the player, the channel program): no window,
// nothing to do, it runs until it is ended.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) ::DispatchMessageA(&msg);
    return 0;
}
