#include "framework/CommandLineInfo.h"

void ParseCommandLineArgs(int argc, char** argv, CCommandLineInfo& info) {
    for (int i = 1; i < argc; ++i) {
        const char* param = argv[i];
        if (param == nullptr) continue;
        const bool bFlag = param[0] == '/' || param[0] == '-';
        info.ParseParam(bFlag ? param + 1 : param, bFlag, i + 1 == argc);
    }
}
