#include "package/EntryTable.h"

void CEntryTable::Add(RUN_ENTRY entry) {
    ENTRY_PLAN plan;
    plan.strDestPath = entry.stored.strDestPath;
    m_plans.push_back(std::move(plan));
    m_entries.push_back(std::move(entry));
}
