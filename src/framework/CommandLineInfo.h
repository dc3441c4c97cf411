#pragma once

// What the command line asked for. The application's parser calls ParseParam for every
// argument, in order.
class CCommandLineInfo {
public:
    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;

    // pszParam is the argument, without its leading '/' or '-' when bFlag (a switch);
    // bLast marks the last argument. A dialog program has no document or shell verbs,
    // so the base has nothing to do.
    virtual void ParseParam(const char* /*pszParam*/, bool /*bFlag*/, bool /*bLast*/) {}
};

// Calls ParseParam for argv[1] to argv[argc - 1]; a leading '/' or '-' marks a switch.
void ParseCommandLineArgs(int argc, char** argv, CCommandLineInfo& info);
