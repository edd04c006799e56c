#pragma once

#include "CPanelLock.h"

// The audio thread's access to the panel for one sample: the lock is tried at
// the first need, at most once, and released when the sample is done. When
// another thread holds it, the panel work of this sample is deferred.
class CPanelAccess {
public:
    explicit CPanelAccess(CPanelLock& lock)
        : m_lock(lock)
    {
    }
    ~CPanelAccess()
    {
        if (m_held)
            m_lock.unlock();
    }
    CPanelAccess(const CPanelAccess&) = delete;
    CPanelAccess& operator=(const CPanelAccess&) = delete;

    bool acquire()
    {
        if (!m_tried) {
            m_tried = true;
            m_held = m_lock.try_lock();
        }
        return m_held;
    }

private:
    CPanelLock& m_lock;
    bool m_tried = false;
    bool m_held = false;
};
