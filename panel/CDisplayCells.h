#pragma once

#include <cstdint>

// What the LCD shows at one moment: nine character cells (cell 0 at the
// left), ten mark places and the decimal points (bit k lights the point
// after cell 8 - k). A 0 or ' ' character is dark.
struct LcdContent {
    static constexpr int kCells = 9;
    static constexpr int kMarks = 10;

    char cells[kCells];
    char marks[kMarks];
    uint8_t dotMask;
};

// The visible side of the display model: the editor's LCD controls implement
// it. render is called on the editor's thread, from the model's attach and
// idle refresh, never from the audio thread.
class CDisplayCells {
public:
    virtual ~CDisplayCells() = default;
    // False while the controls are not all created; nothing is rendered then.
    virtual bool isReady() const = 0;
    virtual void render(const LcdContent& content) = 0;
};
