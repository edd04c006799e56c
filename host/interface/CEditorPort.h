#pragma once

#include "CEditorNotices.h"

#include <cstdint>

class CEditorView;
class CDisplayCells;

// What the front-panel editor sees of the instrument, on the host's
// user-interface thread. What it sends only enters lock-free queues; what it
// reads is published without waiting.
class CEditorPort {
public:
    // Sends: a parameter moved by the user (the editor tells its front of
    // the gesture itself); a function key (its key code, 1 pressed, 0
    // released); a note key.
    virtual void editParameter(std::int32_t index, float value) = 0;
    virtual void functionKey(std::int32_t keyCode, float value) = 0;
    virtual void noteKey(std::int32_t keyCode, float value) = 0;

    // Reads: parameter values, the panel mode, what was applied and which
    // keys sound since the last take.
    virtual float parameterValue(std::int32_t index) = 0;
    virtual int panelMode() = 0;
    virtual CEditorNotices::Taken takeNotices() = 0;
    // The LCD: the cells that show the display's published content, and
    // their refresh at the editor's idle (true when a cell changed).
    virtual void attachDisplay(CDisplayCells* cells) = 0;
    virtual void detachDisplay() = 0;
    virtual bool refreshDisplay() = 0;
    // Changes whenever something the editor shows may have changed: a
    // notice, the LCD's published content, the panel mode. Cheap enough for
    // every idle.
    virtual std::uint32_t changeCount() = 0;

    // The editor registers itself once it exists (the instrument deletes it).
    virtual void adoptEditor(CEditorView* editor, bool shown) = 0;

protected:
    ~CEditorPort() = default;
};
