#pragma once

#include <functional>
#include <string>
#include <vector>

#include "package/EntryPlan.h"
#include "package/PackageEntryReader.h"

// What the package stores for one entry of an upgrade run, and how the run writes it.
struct RUN_ENTRY {
    STORED_ENTRY stored;
    bool bFlushAlways = false;   // flushed as it is written, whatever volume it is on (the command list)
    bool bBackupCopied = false;  // the backup pass made a copy, not a second name
    bool bScratchLeft = false;   // its new file's temporary name could not go when it was done with
};

// The entries of one upgrade run, in package order, each with its plan: the one place the plans
// are kept. The run owns it; the passes fill it in, the install steps each work on their own
// entry, and the journal is written from the plans, and written again whenever a plan changes
// after that (PlanChanged).
class CEntryTable {
public:
    // Makes a change of the plans durable (the journal written again); answers an error text when
    // it could not, and the change must then not be acted on.
    using PlanObserver = std::function<std::string()>;

    CEntryTable() = default;
    CEntryTable(const CEntryTable&) = delete;
    CEntryTable& operator=(const CEntryTable&) = delete;

    // Adds an entry whose destination is resolved; its plan starts with the destination alone.
    void Add(RUN_ENTRY entry);
    size_t GetCount() const { return m_entries.size(); }
    RUN_ENTRY& Entry(size_t index) { return m_entries[index]; }
    const RUN_ENTRY& Entry(size_t index) const { return m_entries[index]; }
    ENTRY_PLAN& Plan(size_t index) { return m_plans[index]; }
    const std::vector<ENTRY_PLAN>& GetPlans() const { return m_plans; }

    void SetPlanObserver(PlanObserver observer) { m_onPlanChanged = std::move(observer); }
    // A plan changed after the journal was written: its observer makes that durable.
    std::string PlanChanged() const { return m_onPlanChanged ? m_onPlanChanged() : std::string(); }

private:
    std::vector<RUN_ENTRY> m_entries;
    std::vector<ENTRY_PLAN> m_plans;  // one per entry, at its index
    PlanObserver m_onPlanChanged;
};
