#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/CriticalSection.h"

// A line handed over for the action list: its text and its colour.
struct ACTION_LINE {
    std::string strText;
    COLORREF color;
};

// What the run's thread hands to the action list without waiting for the list's thread: the
// lines in their order, and the progress position that goes with them. The list's thread takes
// everything at once. Any thread may call it.
class CActionLineQueue {
public:
    // Queues a line and answers the index it will have in the list. *pbNotify is set when the
    // list's thread must be told: nothing was waiting for it before.
    int Push(const char* text, COLORREF color, bool* pbNotify);
    // The progress position; *pbNotify as for Push.
    void SetProgress(int nPosition, bool* pbNotify);
    int GetProgress() const;
    // Every waiting line, oldest first; whatever comes next notifies again.
    std::vector<ACTION_LINE> TakeLines();
    // The list gained (or lost) items other than the queued lines and their separators: the
    // indexes promised from now on count them.
    void CountItems(int nDelta);

private:
    // Under the lock: true for the first change since the list's thread last took the lines.
    bool MarkNotified();

    mutable CCriticalSection m_lock;
    std::vector<ACTION_LINE> m_lines;
    int m_nItems = 0;  // the list's items once every queued line and its separator are in
    int m_nProgress = 0;
    bool m_bNotified = false;  // the list's thread has been told and has not taken the lines yet
};
