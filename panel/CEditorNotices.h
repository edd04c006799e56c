#pragma once

#include "PanelCodes.h"

#include <atomic>
#include <cstdint>

// What the audio thread tells the editor: which of the fifteen parameters
// were applied and which of the 29 note keys (55 to 83) sound, published with
// atomics for the editor's idle to take. The audio thread never waits here
// and never touches a view.
class CEditorNotices {
public:
    static constexpr int kParameters = kNumParams;
    static constexpr int kFirstKey = 55;
    static constexpr int kKeys = 29;

    // The audio thread.
    void parameterApplied(int index);
    void keyChanged(int key, bool down);

    struct Taken {
        uint32_t parameters; // bit i: parameter i was applied since the last take
        uint32_t keysShownDown; // bit k: key 55 + k is down now or was pressed since the last take
        uint32_t keysUpAgain; // bit k: shown down only for a press since the last take; the next take has it up
    };
    // The editor's idle. A key pressed and released between two takes is
    // still reported down once, so the player sees it light.
    Taken take();

    // Counts every notice, and every other change of what the editor shows
    // that its owner reports (changed): an editor that finds it where it was
    // at an idle that had nothing to do has nothing of the instrument's to show.
    void changed() { m_changes.fetch_add(1, std::memory_order_release); }
    uint32_t changes() const { return m_changes.load(std::memory_order_acquire); }

private:
    std::atomic<uint32_t> m_parameters{0};
    std::atomic<uint32_t> m_keysDown{0};
    std::atomic<uint32_t> m_keysPressed{0};
    std::atomic<uint32_t> m_changes{0};
};
