#include "CCommandQueue.h"

int CCommandQueue::push(const Command& command)
{
    SpinLockGuard guard(m_lock);
    const int count = m_count.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        Command& queued = m_commands[(m_head + i) % kCapacity];
        if (queued.index == command.index) {
            queued.value = command.value;
            return 1;
        }
    }
    if (count >= kCapacity)
        return 0;
    m_commands[(m_head + count) % kCapacity] = command;
    m_count.store(count + 1, std::memory_order_release);
    return 1;
}

int CCommandQueue::pop(Command& out)
{
    if (isEmpty())
        return 0;
    SpinLockGuard guard(m_lock);
    const int count = m_count.load(std::memory_order_relaxed);
    if (count == 0)
        return 0;
    out = m_commands[m_head];
    m_head = (m_head + 1) % kCapacity;
    m_count.store(count - 1, std::memory_order_release);
    return 1;
}
