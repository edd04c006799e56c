#pragma once
// The computer keyboard as the panel's keys, for the standalone player's
// window and the keys a host passes the plug-in's editor.
//
// In Play and Rec two rows play the note keys, as trackers lay them out: the
// lower row from Z (C4 to B4; S D G H J the black keys; then , L . ; / go on
// to E5), the upper row from Q (C5 to B5; 2 3 5 6 7 the black keys). In Cal
// the digits, the point (or comma), + - * /, = or Enter, %, Backspace (CE)
// and Escape (AC) type on the calculator. In Off nothing is used.
//
// A key's release lets go of the panel key its press took, whatever the mode
// or the modifiers are by then; a press of a key already held (the system's
// repeat) takes nothing new.

#include "GuiTypes.h"

class CComputerKeyboard {
public:
    // press and release answer a panel key code, kNone (the key is not the
    // panel's) or kHeld (a repeat of a key already held, used but nothing to do).
    static constexpr int kNone = 0;
    static constexpr int kHeld = -1;
    static constexpr int kMaxHeld = 16;

    // The panel key a computer key stands for in mode (PanelMode), or kNone.
    static int panelKey(const CKeyCode& key, int mode);
    // Space and keys with Control, Alt or Command stay the host's shortcuts.
    static bool leftToHost(const CKeyCode& key);

    int press(const CKeyCode& key, int mode);
    int release(const CKeyCode& key);
    // Forgets what is held (the window lost the keyboard), answering one
    // held panel key at a time until none is left (kNone).
    int releaseAny();

private:
    struct Held {
        int character;
        int virt;
        int panelKey;
    };
    static int notePlayed(int character);
    static int calculatorKey(const CKeyCode& key);
    int find(const CKeyCode& key) const;
    void forget(int slot);

    Held m_held[kMaxHeld] = {};
    int m_heldCount = 0;
};
