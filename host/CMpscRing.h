#pragma once

#include <atomic>
#include <cstdint>

// A bounded queue that any number of threads fill and one thread empties,
// without locks. A producer claims a cell with one compare-and-swap and
// publishes it with a release store; the consumer never waits: a cell that is
// claimed but not yet published reads as empty until its producer finishes.
template <typename T, uint32_t N>
class CMpscRing {
    static_assert(N >= 2 && (N & (N - 1)) == 0, "the capacity is a power of two");

public:
    CMpscRing()
    {
        for (uint32_t i = 0; i < N; ++i)
            m_cells[i].sequence.store(i, std::memory_order_relaxed);
    }
    CMpscRing(const CMpscRing&) = delete;
    CMpscRing& operator=(const CMpscRing&) = delete;

    // Any thread. Answers false when the ring is full.
    bool push(const T& item)
    {
        uint32_t position = m_enqueue.load(std::memory_order_relaxed);
        for (;;) {
            Cell& cell = m_cells[position & (N - 1)];
            const uint32_t sequence = cell.sequence.load(std::memory_order_acquire);
            const int32_t difference = static_cast<int32_t>(sequence - position);
            if (difference == 0) {
                if (m_enqueue.compare_exchange_weak(position, position + 1, std::memory_order_relaxed))
                    break;
            } else if (difference < 0) {
                return false;
            } else {
                position = m_enqueue.load(std::memory_order_relaxed);
            }
        }
        Cell& cell = m_cells[position & (N - 1)];
        cell.item = item;
        cell.sequence.store(position + 1, std::memory_order_release);
        return true;
    }

    // The consumer thread only. Answers false when nothing is published.
    bool pop(T& out)
    {
        const uint32_t position = m_dequeue.load(std::memory_order_relaxed);
        Cell& cell = m_cells[position & (N - 1)];
        if (cell.sequence.load(std::memory_order_acquire) != position + 1)
            return false;
        out = cell.item;
        cell.sequence.store(position + N, std::memory_order_release);
        m_dequeue.store(position + 1, std::memory_order_relaxed);
        return true;
    }

    // True when the consumer would find nothing now.
    bool empty() const
    {
        const uint32_t position = m_dequeue.load(std::memory_order_relaxed);
        return m_cells[position & (N - 1)].sequence.load(std::memory_order_acquire) != position + 1;
    }

private:
    struct Cell {
        std::atomic<uint32_t> sequence;
        T item;
    };
    Cell m_cells[N];
    std::atomic<uint32_t> m_enqueue{0};
    std::atomic<uint32_t> m_dequeue{0};
};
