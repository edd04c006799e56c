#include "CLcdSnapshot.h"

#include "PanelCodes.h"

#include <cstring>

namespace {
constexpr int kReadTries = 64;
}

CLcdSnapshot::CLcdSnapshot()
{
    Content empty{};
    empty.mode = kModeOff;
    publish(empty);
}

void CLcdSnapshot::publish(const Content& content)
{
    uint32_t words[kWords] = {};
    std::memcpy(words, &content, sizeof content);
    // The words are stored with release, so a reader that sees any new word
    // also sees the odd count stored before it and retries; no fence needed.
    const uint32_t start = m_sequence.load(std::memory_order_relaxed);
    m_sequence.store(start + 1, std::memory_order_relaxed);
    for (int i = 0; i < kWords; ++i)
        m_words[i].store(words[i], std::memory_order_release);
    m_sequence.store(start + 2, std::memory_order_release);
}

bool CLcdSnapshot::read(Content& out) const
{
    for (int attempt = 0; attempt < kReadTries; ++attempt) {
        const uint32_t before = m_sequence.load(std::memory_order_acquire);
        if ((before & 1u) != 0)
            continue;
        // Acquire loads keep the second look at the count after the words.
        uint32_t words[kWords];
        for (int i = 0; i < kWords; ++i)
            words[i] = m_words[i].load(std::memory_order_acquire);
        if (m_sequence.load(std::memory_order_relaxed) == before) {
            std::memcpy(&out, words, sizeof out);
            return true;
        }
    }
    return false;
}
