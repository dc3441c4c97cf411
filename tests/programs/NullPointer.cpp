// Crashes at once: writes through a null pointer. The harness must end it with 0xC0000005
// instead of holding it in a debugger.
int main() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}
