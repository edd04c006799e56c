#pragma once

// What the voice tells the rest of the instrument: the note it shows on the
// display, the keys it presses and releases (for the editor), and a program
// change it received. All calls come from the audio thread.
class CVoiceHost {
public:
    virtual ~CVoiceHost() = default;
    virtual void showNote(int note) = 0;
    virtual void keyChanged(int note, bool down) = 0;
    virtual void programChange(int program) = 0;
};
