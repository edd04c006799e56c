#pragma once

#include "SpinLock.h"
#include "VstAbi.h"

#include <atomic>

// Pending parameter and panel-key commands, filled from any thread and
// drained on the audio thread. A command for an index already queued
// replaces the queued value in place.
class CCommandQueue {
public:
    struct Command {
        VstInt32 index;
        float value;
    };
    static constexpr int kCapacity = 500;

    // Answers 1 when the command was queued or merged, 0 when the queue was full.
    int push(const Command& command);
    // Copies the oldest command out; answers 0 when the queue is empty.
    int pop(Command& out);
    // One relaxed load: cheap enough to test before every sample.
    bool isEmpty() const { return m_count.load(std::memory_order_acquire) == 0; }
    int count() const { return m_count.load(std::memory_order_acquire); }

private:
    SpinLock m_lock;
    Command m_commands[kCapacity] = {};
    int m_head = 0; // index of the oldest command in the ring
    std::atomic<int> m_count{0};
};
