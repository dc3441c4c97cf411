#include "support/TestCalls.h"

ISystemCalls& TestCalls() {
    static CWindowsSystemCalls calls;
    return calls;
}
