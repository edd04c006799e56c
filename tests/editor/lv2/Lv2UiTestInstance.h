#pragma once
// A plug-in instance as the UI reaches it through instance-access, for the
// UI's tests: the instrument the module's factory makes (with its panel on
// the X11 backend) and a transport the test sets.

#include "CInstrument.h"
#include "GuiTypes.h"
#include "Lv2Contract.h"

#include <memory>

class CLv2TestInstance : public CLv2Instance {
public:
    CLv2TestInstance();
    ~CLv2TestInstance();

    CInstrument& instrument() override { return *m_instrument; }
    bool transportRuns() const override { return m_transportRuns; }
    void setTransportRuns(bool runs) { m_transportRuns = runs; }

    // One block of audio; the energy of its left output.
    double renderBlock();
    // Where the panel's control of a parameter lies while it is open.
    CRect controlBounds(int parameter);

private:
    std::unique_ptr<CInstrument> m_instrument;
    bool m_transportRuns = false;
};
