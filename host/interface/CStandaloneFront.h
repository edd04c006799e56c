#pragma once

#include "CInstrumentFront.h"

// A front with no host to tell of parameters or programs (the standalone
// player's JACK and ALSA fronts): the notices go nowhere, and no transport
// runs unless the front has one.
class CStandaloneFront : public CInstrumentFront {
public:
    void parameterChanged(std::int32_t, float) override { }
    void programsChanged() override { }
    bool transportRuns() override { return false; }

protected:
    ~CStandaloneFront() = default;
};
