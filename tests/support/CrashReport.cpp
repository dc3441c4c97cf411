#include "support/CrashReport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "util/PathParts.h"

bool ReportCrash(const std::string& program, DWORD status) {
    if (!IsCrashStatus(status)) return false;
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
    ADD_FAILURE() << GetFileNameOf(program) << " crashed with exception " << code;
    return true;
}
