#pragma once

#include <string>

#include "os/SystemCalls.h"

// Writes the upgrade record in the product's key: "Upgrade Time" (now) and "Upgrade Version".
// Done once the upgrade is committed, so nothing ever takes it back. The record is durable before
// this answers: the journal goes only after it. A value that cannot be written, or a hive that
// cannot be flushed, answers the failure text with the registry's reason; empty when it is there.
std::string RecordUpgradeInRegistry(ISystemCalls& calls, const std::string& version);
