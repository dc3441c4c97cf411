#pragma once

#include <string>

#include "transaction/Step.h"

// The upgrade record in the product's key: "Upgrade Time" (now) and "Upgrade Version". The last
// step of an upgrade; its undo puts back the values that were there. Do makes the record
// durable before it answers: the journal goes only after it. A value that cannot be written, or a
// hive that cannot be flushed, fails the step with RESULT_NOT_RECORDED and the registry's reason.
class CUpgradeRecordStep : public CStep {
public:
    explicit CUpgradeRecordStep(std::string version) : m_strVersion(std::move(version)) {}
    STEP_RESULT Do() override;
    STEP_RESULT Undo() override;

private:
    std::string m_strVersion;
    bool m_bHadTime = false, m_bHadVersion = false;
    std::string m_strOldTime, m_strOldVersion;
};
