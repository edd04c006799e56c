#include "CPanelLock.h"

#include "Platform.h"

namespace {
std::atomic<int> audioWaits{0};
}

void CPanelLock::lock()
{
    if (m_mutex.try_lock())
        return;
    if (onAudioThread())
        audioWaits.fetch_add(1, std::memory_order_relaxed);
    m_mutex.lock();
}

void CPanelLock::markAudioThread()
{
    m_audioThread.store(platform::currentThreadId(), std::memory_order_relaxed);
}

bool CPanelLock::onAudioThread() const
{
    return m_audioThread.load(std::memory_order_relaxed) == platform::currentThreadId();
}

int CPanelLock::audioThreadWaits()
{
    return audioWaits.load(std::memory_order_relaxed);
}
