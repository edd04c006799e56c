#include "GuiTestEditor.h"

#include "CPanelFrame.h"
#include "GuiTestFrame.h"

namespace guitest {

CGuiTestEditor::CGuiTestEditor(CEditorHost* host)
    : CGuiEditor(host)
{
    setRect({0, 0, kFrameWidth, kFrameHeight});
}

bool CGuiTestEditor::open(void* parentWindow)
{
    CGuiEditor::open(parentWindow);
    CPanelFrame* frame = new CPanelFrame({0, 0, kFrameWidth, kFrameHeight}, parentWindow, this, scale());
    if (!frame->hasWindow())
        return adoptFrame(frame);
    populate(*frame);
    return adoptFrame(frame);
}

void CGuiTestEditor::idle()
{
    if (!insideHostIdle())
        ++m_idleCount;
    CGuiEditor::idle();
}

} // namespace guitest
