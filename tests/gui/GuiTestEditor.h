#pragma once
// An editor that opens the test frame (GuiTestFrame.h).

#include "CGuiEditor.h"

namespace guitest {

class CGuiTestEditor : public CGuiEditor {
public:
    explicit CGuiTestEditor(CEditorHost* host);
    bool open(void* parentWindow) override;
    void idle() override;
    int idleCount() const { return m_idleCount; }

private:
    int m_idleCount = 0;
};

} // namespace guitest
