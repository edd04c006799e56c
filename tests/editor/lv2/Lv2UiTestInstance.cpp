#include "Lv2UiTestInstance.h"

#include "CPanelControl.h"
#include "CPanelEditor.h"

#include <vector>

CLv2TestInstance::CLv2TestInstance()
    : m_instrument(createInstrument())
{
    // The first block applies the start-up values.
    renderBlock();
}

CLv2TestInstance::~CLv2TestInstance() = default;

double CLv2TestInstance::renderBlock()
{
    std::vector<float> left(512), right(512);
    m_instrument->render(left.data(), right.data(), 512);
    double energy = 0.0;
    for (float sample : left)
        energy += static_cast<double>(sample) * sample;
    return energy;
}

CRect CLv2TestInstance::controlBounds(int parameter)
{
    auto* editor = dynamic_cast<CPanelEditor*>(m_instrument->editor());
    CPanelControl* control = editor != nullptr ? editor->parameterControl(parameter) : nullptr;
    return control != nullptr ? control->bounds() : CRect{};
}
