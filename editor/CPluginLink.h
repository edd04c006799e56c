#pragma once
// The panel's link to the plug-in: it registers the editor with the
// instrument's editor port (CEditorHost), and passes what the editor tells
// its front on to the front's listener (CEditorListener). Hosts hear of
// gestures only for the fifteen parameters: the panel's keys and buttons
// carry tags beyond them.

#include "CEditorHost.h"
#include "CEditorListener.h"

class CEditorPort;

class CPluginLink : public CEditorHost, public CEditorListener {
public:
    explicit CPluginLink(CEditorPort* port)
        : m_port(port)
    {
    }

    void adoptEditor(CEditorView* editor, bool showEditor) override;
    void beginGesture(std::int32_t index) override;
    void performGesture(std::int32_t index, float value) override;
    void endGesture(std::int32_t index) override;
    void idleHost() override;
    bool resizeRequest(std::int32_t width, std::int32_t height) override;

protected:
    // Only the editor that derives from it ends a link.
    ~CPluginLink() = default;
    // The front that hears the panel; null: nobody.
    void linkFront(CEditorListener* front) { m_front = front; }

private:
    CEditorPort* m_port;
    CEditorListener* m_front = nullptr;
};
