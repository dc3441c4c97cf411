#include "ui/ActionLineQueue.h"

namespace {
// A line and the separator that follows it.
const int ITEMS_PER_LINE = 2;
}  // namespace

int CActionLineQueue::Push(const char* text, COLORREF color, bool* pbNotify) {
    CSingleLock hold(m_lock);
    m_lines.push_back(ACTION_LINE{text, color});
    *pbNotify = MarkNotified();
    const int index = m_nItems;
    m_nItems += ITEMS_PER_LINE;
    return index;
}

void CActionLineQueue::SetProgress(int nPosition, bool* pbNotify) {
    CSingleLock hold(m_lock);
    m_nProgress = nPosition;
    *pbNotify = MarkNotified();
}

bool CActionLineQueue::MarkNotified() {
    const bool bFirst = !m_bNotified;
    m_bNotified = true;
    return bFirst;
}

int CActionLineQueue::GetProgress() const {
    CSingleLock hold(m_lock);
    return m_nProgress;
}

std::vector<ACTION_LINE> CActionLineQueue::TakeLines() {
    std::vector<ACTION_LINE> lines;
    CSingleLock hold(m_lock);
    lines.swap(m_lines);
    m_bNotified = false;
    return lines;
}

void CActionLineQueue::CountItems(int nDelta) {
    CSingleLock hold(m_lock);
    m_nItems += nDelta;
}
