#pragma once

#include <cstdint>

// A key as a front reports it to the editor: the character typed (the
// modifiers applied) or a virtual key, and the modifier bits held. The
// numbers are the ones the VST 2 frame carries, so that front copies them.
struct EditorKey {
    enum Virtual : std::uint8_t {
        kNone = 0,
        kBack = 1,
        kTab,
        kClear,
        kReturn,
        kPause,
        kEscape,
        kSpace,
        kNext,
        kEnd,
        kHome,
        kLeft,
        kUp,
        kRight,
        kDown,
    };
    enum Modifier : std::uint8_t { kShift = 1, kAlternate = 2, kCommand = 4, kControl = 8 };

    std::int32_t character = 0;
    std::uint8_t virtualKey = kNone;
    std::uint8_t modifiers = 0;
};
