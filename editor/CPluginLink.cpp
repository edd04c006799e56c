#include "CPluginLink.h"

#include "CQuiboPlugin.h"

namespace {
bool isParameter(int index)
{
    return index >= 0 && index < kNumParams;
}
} // namespace

void CPluginLink::adoptEditor(AEffEditor* editor, bool showEditor)
{
    if (m_plugin != nullptr)
        m_plugin->adoptEditor(editor, showEditor);
}

void CPluginLink::idleHost()
{
    if (m_plugin != nullptr)
        m_plugin->masterIdle();
}

void CPluginLink::beginParameterEdit(int index)
{
    if (m_plugin != nullptr && isParameter(index))
        m_plugin->beginEdit(index);
}

void CPluginLink::endParameterEdit(int index)
{
    if (m_plugin != nullptr && isParameter(index))
        m_plugin->endEdit(index);
}
