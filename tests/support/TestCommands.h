#pragma once

#include <memory>
#include <string>

#include "commands/CommandSteps.h"

// A post-install command as the runner makes it from a section of the list, its paths already
// expanded. "Register" and "Unregister" keep `registered` up to date: by default a list that
// outlives every step and that no test reads.
std::unique_ptr<CCommandStep> MakeTestCommand(const std::string& type, const std::string& dest,
                                              const std::string& another = "", const std::string& source = "",
                                              CRegistrationList* registered = nullptr);
// Does the command; answers its text, empty on success.
std::string DoTestCommand(const std::string& type, const std::string& dest, const std::string& another = "",
                          const std::string& source = "", CRegistrationList* registered = nullptr);
