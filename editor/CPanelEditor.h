#pragma once
// The front panel: the instrument's picture with its switches, sliders,
// keys, buttons, LCD and legends, played with the mouse.
//
// Threads. Everything here runs on the host's user-interface thread. The
// audio thread never calls the editor: what it applied (parameters, notes
// the voice received, the LCD content) is published by the instrument and
// taken by the editor's idle. Controls send parameters and function keys
// through the plug-in's queue and note keys through panelNoteKey.

#include "CComputerKeyboard.h"
#include "CControlObserver.h"
#include "CGuiEditor.h"
#include "CLegendSet.h"
#include "CPluginLink.h"

#include <cstdint>
#include <memory>

class CKeyButton;
class CLcdView;
class CPanelBitmap;
class CPanelControl;
class CPanelView;
class CEditorPort;

class CPanelEditor : private CPluginLink, public CGuiEditor, public CControlObserver {
public:
    static constexpr int kParameterControls = 6; // parameters 0 to 5 (5, Tune, has none)
    static constexpr int kKeyCount = kLastNoteKey - kFirstNoteKey + 1;
    static constexpr int kButtonCount = KeyOneKey2 - KeyReset + 1;
    // Idles without hover hints after the user changed a control.
    static constexpr int kHintHoldOff = 25;

    // Registers with the plug-in, which deletes the editor.
    explicit CPanelEditor(CEditorPort* port);
    ~CPanelEditor() override;

    // The front's listener hears the panel's gestures (of parameters only),
    // the host's idle and resize requests through the plug-in link.
    void setListener(CEditorListener* listener) override;
    bool open(void* parentWindow) override;
    void close() override;
    // Shows what the instrument published, the legends of its mode, the
    // hover hint and the rhythm overlay, then reads the window's events and
    // redraws what changed. Does nothing while the panel is closed.
    void idle() override;
    // Also while the instrument's change counter moved or a hint waits, and
    // while a key is shown down (its note may end at any time).
    bool wantsIdle() override;
    // A parameter (0 to 5: the control follows the plug-in's value) or a
    // note key (55 to 83: shown pressed for a value above 0) changed; on the
    // editor's thread, while open.
    void setParameter(VstInt32 index, float value) override;
    void controlChanged(CPanelControl* control) override;
    // The computer keyboard (CComputerKeyboard) presses and releases the
    // panel's keys as a click would; other keys go to the panel's controls
    // (the arrow keys step a slider). Space and keys with Control or Alt
    // are not used, so that they stay the host's.
    bool keyDown(const EditorKey& key) override;
    bool keyUp(const EditorKey& key) override;

    bool isOpen() const { return m_open; }
    // The panel's controls while open (null otherwise).
    CPanelControl* parameterControl(int index) const;
    CKeyButton* key(int tag) const;
    CKeyButton* button(int tag) const;
    CLcdView* lcd() const { return m_lcd.get(); }
    const CLegendSet& legends() const { return m_legends; }
    int hoverHint() const { return m_hoverHint; }
    int legendMode() const { return m_legendMode; }
    bool rhythmDigitWait() const { return m_rhythmDigitWait; }
    bool rhythmOverlayShown() const { return m_rhythmOverlayShown; }
    int hintHoldOff() const { return m_hintHoldOff; }

    // The digit a note key stands for while a rhythm is picked, or -1.
    static int digitOfKey(int tag);

private:
    // Whether an idle now would change anything (else it returns at once).
    bool idleWouldWork();
    void createControls(CPanelFrame& frame);
    bool addControl(CPanelFrame& frame, CPanelControl* control);
    void takeNotices();
    void changeLegendMode(int mode);
    void updateHoverHint(int mode);
    int hintOf(const CPanelView* view) const;
    void updateModeLegends(int mode);
    void sendParameter(int index, float value);
    void sendKey(int tag, float value);
    void routeNoteKey(int tag, float value);
    void pressPanelKey(int tag, float value);
    void releaseComputerKeys();

    CEditorPort* m_port;
    CPanelControl* m_parameterControls[kParameterControls] = {};
    CKeyButton* m_keys[kKeyCount] = {};
    CKeyButton* m_buttons[kButtonCount] = {};
    CLegendSet m_legends;
    std::unique_ptr<CLcdView> m_lcd;
    int m_hoverHint = 0;
    int m_legendMode = kModePlay;
    bool m_rhythmOverlayShown = false;
    int m_hintHoldOff = 0;
    CPanelBitmap* m_background;
    bool m_open = false;
    bool m_rhythmDigitWait = false;
    float m_lastSent[kParameterControls];
    // Keys shown down from the instrument's notices (bit k: key 55 + k).
    std::uint32_t m_keysShown = 0;
    // The instrument's change counter at the last idle that looked.
    std::uint32_t m_changesSeen = 0;
    CComputerKeyboard m_computerKeyboard;
};
