#pragma once

#include "BankExtension.h"

class CQuibo;

// The bank chunk: the fixed 2988-byte image (the seven global values, the
// program number, the display state, the calculator's record, the tempo
// clock's switches and the sequencer's memory at their fixed places),
// followed by the extension with the current sound and the program records.
class CBankChunk {
public:
    static constexpr int kFixedSize = 2988;
    static constexpr int kSavedSize = kFixedSize + bankextension::kSize;

    CBankChunk();
    // Fills the image from the instrument (panel lock held); answers it.
    const unsigned char* save(CQuibo& quibo);
    // Restores a bank of size bytes (panel lock held). A bank shorter than
    // the fixed image, with a foreign marker or a sequencer block it cannot
    // hold is refused and changes nothing; anything after the fixed image is
    // used only when it is a whole, undamaged extension.
    static bool restore(CQuibo& quibo, const unsigned char* data, int size);

private:
    unsigned char m_image[kSavedSize];
};
