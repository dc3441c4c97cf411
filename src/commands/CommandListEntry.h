#pragma once

#include <string>

#include "framework/OwningList.h"
#include "util/IniKeys.h"
#include "util/PathParts.h"
#include "util/TextCompare.h"


// The first record, in package order, whose destination's file name (m_strDestPath) equals the
// given name without regard to case; null when there is none or no list.
template <class TRecord>
TRecord* FindEntryByFileName(const COwningList<TRecord>* records, const std::string& fileName) {
    if (records == nullptr) return nullptr;
    for (const auto& record : *records) {
        if (EqualsNoCase(GetFileNameOf(record->m_strDestPath), fileName)) return record.get();
    }
    return nullptr;
}
