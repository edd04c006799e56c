#include "CPluginLink.h"

#include "CEditorPort.h"
#include "PanelCodes.h"

namespace {
bool isParameter(int index)
{
    return index >= 0 && index < kNumParams;
}
} // namespace

void CPluginLink::adoptEditor(CEditorView* editor, bool showEditor)
{
    if (m_port != nullptr)
        m_port->adoptEditor(editor, showEditor);
}

void CPluginLink::idleHost()
{
    if (m_port != nullptr)
        m_port->idleHost();
}

void CPluginLink::beginParameterEdit(int index)
{
    if (m_port != nullptr && isParameter(index))
        m_port->beginParameterEdit(index);
}

void CPluginLink::endParameterEdit(int index)
{
    if (m_port != nullptr && isParameter(index))
        m_port->endParameterEdit(index);
}

bool CPluginLink::resizeEditorWindow(int width, int height)
{
    return m_port != nullptr && m_port->resizeEditor(width, height);
}
