#pragma once

#include "os/WindowsSystemCalls.h"

// The system calls a test makes itself, and gives the code under test where it does not test
// the calls: straight to the system.
ISystemCalls& TestCalls();
