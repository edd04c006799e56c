#pragma once
// The benchmark host's own X connection and the top-level windows it gives
// the panels as parents. Kept apart from the panel's headers, whose names
// Xlib's clash with.

#include <cstdint>
#include <vector>

struct _XDisplay;

class CHostWindows {
public:
    // Connects to the server in $DISPLAY.
    CHostWindows();
    ~CHostWindows();
    CHostWindows(const CHostWindows&) = delete;
    CHostWindows& operator=(const CHostWindows&) = delete;

    bool connected() const { return m_display != nullptr; }
    // A new mapped window of the panel's size, known to the server on return;
    // its X11 Window id, 0 if none.
    std::uintptr_t makeParent(int x, int y);
    // Waits until the server has done everything asked so far.
    void sync();

private:
    _XDisplay* m_display;
    std::vector<unsigned long> m_windows;
};
