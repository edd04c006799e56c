#pragma once

#include "CDisplayCells.h"

#include <atomic>
#include <cstdint>

// A copy of the LCD content that one writer at a time publishes and any
// thread reads without tearing and without making the writer wait: a
// sequence counter around the copy, odd while a write is in progress. A
// reader that meets a write retries, and gives up after a few tries.
class CLcdSnapshot {
public:
    struct Content {
        LcdContent lcd; // the model's own content
        int32_t mode; // the display mode when it was published
        bool reset; // published by a flush that reset the display
    };

    CLcdSnapshot();
    // Writers must be serialised (the panel lock).
    void publish(const Content& content);
    // Answers false only when every try met a write in progress.
    bool read(Content& out) const;
    // Changes with every publish.
    uint32_t sequence() const { return m_sequence.load(std::memory_order_acquire); }

private:
    static constexpr int kWords = (sizeof(Content) + 3) / 4;
    std::atomic<uint32_t> m_sequence{0};
    std::atomic<uint32_t> m_words[kWords];
};
