#pragma once

#include "CInstrumentFront.h"

// A front with no host to tell of parameters or programs (the standalone
// player's JACK and ALSA fronts): the notices go nowhere, and no transport
// runs unless the front has one.
class CStandaloneFront : public CInstrumentFront {
public:
    void parameterChanged(std::int32_t, float) override { }
    void beginParameterEdit(std::int32_t) override { }
    void parameterEdited(std::int32_t, float) override { }
    void endParameterEdit(std::int32_t) override { }
    void programsChanged() override { }
    void idle() override { }
    bool transportRuns() override { return false; }

protected:
    ~CStandaloneFront() = default;
};
