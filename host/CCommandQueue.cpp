#include "CCommandQueue.h"

#include <cstring>

static_assert(std::atomic<uint64_t>::is_always_lock_free, "parameter slots need lock-free 64-bit atomics");

namespace {

uint64_t packValue(float value, uint32_t version)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return (static_cast<uint64_t>(version) << 32) | bits;
}

float valueOf(uint64_t packed)
{
    const uint32_t bits = static_cast<uint32_t>(packed);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t versionOf(uint64_t packed)
{
    return static_cast<uint32_t>(packed >> 32);
}

} // namespace

CCommandQueue::CCommandQueue()
{
    for (int i = 0; i < kParameterSlots; ++i) {
        m_latest[i].store(0, std::memory_order_relaxed);
        m_queued[i].store(false, std::memory_order_relaxed);
    }
}

int CCommandQueue::push(const Command& command)
{
    if (isParameter(command.index)) {
        pushParameter(command);
        return 1;
    }
    if (m_keyCommands.fetch_add(1, std::memory_order_relaxed) >= kCapacity) {
        m_keyCommands.fetch_sub(1, std::memory_order_relaxed);
        return 0;
    }
    m_count.fetch_add(1, std::memory_order_relaxed);
    m_ring.push(command);
    return 1;
}

// The value goes into the parameter's slot with a new version; the ring
// carries only the parameter's place in the order, once while it waits.
void CCommandQueue::pushParameter(const Command& command)
{
    std::atomic<uint64_t>& slot = m_latest[command.index];
    uint64_t current = slot.load(std::memory_order_relaxed);
    while (!slot.compare_exchange_weak(current, packValue(command.value, versionOf(current) + 1),
                                       std::memory_order_seq_cst)) { }
    if (!m_queued[command.index].exchange(true, std::memory_order_seq_cst)) {
        m_count.fetch_add(1, std::memory_order_relaxed);
        m_ring.push({command.index, 0.0f});
    }
}

int CCommandQueue::pop(Command& out)
{
    Command entry;
    while (m_ring.pop(entry)) {
        m_count.fetch_sub(1, std::memory_order_relaxed);
        if (!isParameter(entry.index)) {
            m_keyCommands.fetch_sub(1, std::memory_order_relaxed);
            out = entry;
            return 1;
        }
        if (takeParameter(entry.index, out.value)) {
            out.index = entry.index;
            return 1;
        }
    }
    return 0;
}

// The flag is cleared before the value is read: a producer that writes after
// the clear queues the parameter again. A value already applied by then is
// recognised by its version and skipped, so no value is applied twice.
bool CCommandQueue::takeParameter(VstInt32 index, float& value)
{
    m_queued[index].store(false, std::memory_order_seq_cst);
    const uint64_t packed = m_latest[index].load(std::memory_order_seq_cst);
    if (versionOf(packed) == m_appliedVersion[index])
        return false;
    m_appliedVersion[index] = versionOf(packed);
    value = valueOf(packed);
    return true;
}
