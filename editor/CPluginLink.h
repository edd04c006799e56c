#pragma once
// What the editor base asks of the plug-in (CEditorHost), answered through
// the instrument's editor port. Hosts hear of edits only for the fifteen
// parameters: the panel's keys and buttons carry tags beyond them.

#include "CEditorHost.h"

class CEditorPort;

class CPluginLink : public CEditorHost {
public:
    explicit CPluginLink(CEditorPort* port)
        : m_port(port)
    {
    }

    void adoptEditor(CEditorView* editor, bool showEditor) override;
    void idleHost() override;
    void beginParameterEdit(int index) override;
    void endParameterEdit(int index) override;
    bool resizeEditorWindow(int width, int height) override;

protected:
    // Only the editor that derives from it ends a link.
    ~CPluginLink() = default;

private:
    CEditorPort* m_port;
};
