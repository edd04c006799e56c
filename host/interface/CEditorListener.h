#pragma once

#include <cstdint>

// What the front panel tells the front that shows it, on the host's
// user-interface thread. Each front implements it and hands it to the editor
// (CEditorView::setListener): the editor's messages to its host go straight
// to the front, not through the instrument.
class CEditorListener {
public:
    // The user moves a parameter on the panel: begin, each value (already
    // sent to the instrument), end. Only the parameters a host knows.
    virtual void beginGesture(std::int32_t index) = 0;
    virtual void performGesture(std::int32_t index, float value) = 0;
    virtual void endGesture(std::int32_t index) = 0;
    // Lets the host run while the editor keeps its thread busy (a drag).
    virtual void idleHost() = 0;
    // The open editor needs a window of that size (its scale changed);
    // false where the front cannot resize the host's window.
    virtual bool resizeRequest(std::int32_t width, std::int32_t height) = 0;

protected:
    ~CEditorListener() = default;
};
