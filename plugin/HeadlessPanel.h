#pragma once
// What the headless build of the plug-in module (Zintra-headless) offers a
// program that loads it: the editor's window exists only in memory, and the
// program drives it with a scripted pointer and clock and reads its picture.
// The command-line host uses it to click on the panel and write screenshots.
// Plain C types, so that both sides need nothing but this header.

#include <cstdint>

// Bits of the buttons argument.
enum HeadlessPanelButtons {
    kHeadlessLeft = 1,
    kHeadlessMiddle = 2,
    kHeadlessRight = 4,
    kHeadlessShift = 8,
    kHeadlessControl = 16,
    kHeadlessAlt = 32,
};

struct HeadlessPanel {
    int version; // 1
    // The module's clock in milliseconds; the editor's tracking loops
    // advance it while they wait.
    std::uint32_t (*now)();
    // Moves the clock to ms, never backwards.
    void (*advanceTo)(std::uint32_t ms);
    // From ms on, the pointer is at x, y (window pixels) and the buttons are
    // the given bits.
    void (*input)(std::uint32_t ms, int x, int y, int buttons);
    // A button press at x, y, read by the editor's next idle.
    void (*press)(int x, int y);
    // The system shows the whole window: it is painted.
    void (*expose)();
    // The window's picture: 0x00RRGGBB words, rows top-down. 0 without an
    // open window.
    int (*picture)(const std::uint32_t** pixels, int* width, int* height);
};

// The exported function's name and type.
#define ZINTRA_HEADLESS_PANEL_ENTRY "ZintraHeadlessPanel"
using HeadlessPanelEntry = const HeadlessPanel* (*)();
