#pragma once

#include <string>

#include "transaction/StepResult.h"

// Writes the upgrade record in the product's key: "Upgrade Time" (now) and "Upgrade Version".
// Done once the upgrade is committed, so nothing ever takes it back. The record is durable before
// this answers: the journal goes only after it. A value that cannot be written, or a hive that
// cannot be flushed, fails with RESULT_NOT_RECORDED and the registry's reason.
STEP_RESULT RecordUpgradeInRegistry(const std::string& version);
