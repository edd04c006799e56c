#include "CPluginLink.h"

#include "CEditorPort.h"
#include "PanelCodes.h"

namespace {
bool isParameter(std::int32_t index)
{
    return index >= 0 && index < kNumParams;
}
} // namespace

void CPluginLink::adoptEditor(CEditorView* editor, bool showEditor)
{
    if (m_port != nullptr)
        m_port->adoptEditor(editor, showEditor);
}

void CPluginLink::beginGesture(std::int32_t index)
{
    if (m_front != nullptr && isParameter(index))
        m_front->beginGesture(index);
}

void CPluginLink::performGesture(std::int32_t index, float value)
{
    if (m_front != nullptr && isParameter(index))
        m_front->performGesture(index, value);
}

void CPluginLink::endGesture(std::int32_t index)
{
    if (m_front != nullptr && isParameter(index))
        m_front->endGesture(index);
}

void CPluginLink::idleHost()
{
    if (m_front != nullptr)
        m_front->idleHost();
}

bool CPluginLink::resizeRequest(std::int32_t width, std::int32_t height)
{
    return m_front != nullptr && m_front->resizeRequest(width, height);
}
