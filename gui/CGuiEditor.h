#pragma once
// The base of an editor built on the framework: answers the host's editor
// requests, holds the frame while the editor is open, and paces the idle work
// that runs while a control tracks the mouse. A derived editor builds its
// frame in open and releases it in close, at the editor's scale: the panel's
// rectangle is given in panel coordinates (setRect), and the host is told it
// at the scale the editor draws at (CScaleChoice).
//
// It is the instrument's editor view (CEditorView) for every front, and
// keeps the VST 2 editor's operations in their slot order first (AEffEditor),
// which the VST 2 front hands to its host as they are.

#include "AEffEditor.h"
#include "CEditorView.h"
#include "CScaleChoice.h"
#include "GuiTypes.h"

#include <cstdint>

class CEditorHost;
class CPanelFrame;

class CGuiEditor : public AEffEditor, public CEditorView {
public:
    // Registers the editor with the plug-in; hosts are told of it only in
    // builds with a window backend. host may be null (no plug-in).
    explicit CGuiEditor(CEditorHost* host);
    ~CGuiEditor() override;

    void setListener(CEditorListener* listener) override { m_listener = listener; }

    // The panel's rectangle at the scale the editor draws at; while closed,
    // the scale is chosen anew.
    bool getRect(ERect** rect) override;
    Size size() override;
    // Stores the parent window and chooses the scale for it; the base makes
    // no frame and answers false.
    bool open(void* parentWindow) override;
    // A new factor from the host: an open editor that changes scale asks the
    // host for a window of its new size and redraws at the new scale.
    void setHostScaleFactor(float factor) override;
    // 1, or 2 for the double set.
    int scale() const override { return m_scale; }
    bool isShowing() const override { return m_frame != nullptr; }
    // Releases the frame.
    void close() override;
    // Reads the window's events, runs a posted update and redraws what needs it.
    void idle() override;
    virtual void update();
    void postUpdate() override;
    // The VST 2 editor's keys, as keyDown and keyUp take them.
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    // Offered to the frame's views (the one that has the keyboard first).
    bool keyDown(const EditorKey& key) override;
    bool keyUp(const EditorKey& key) override;
    bool setKnobMode(VstInt32 mode) override;
    virtual bool onWheel(float distance);
    void setParameter(VstInt32 index, float value) override;
    // Draws the whole frame now.
    void paintNow();
    // For a host that sleeps between idles (the standalone player): false
    // only when an idle now would find nothing to do, the editor's own state
    // included; then the host may sleep until newsSource is readable or the
    // instrument has changed.
    bool wantsIdle() override { return m_frame != nullptr && idleMayHaveWork(); }
    // The open window's descriptor that becomes readable with news (an X11
    // connection's socket); -1 while closed or where there is none.
    int newsSource() const override;
    // Called over and over by a control that tracks the mouse: sleeps about
    // 4 ms, and about every 50 ms runs a full idle and lets the host run.
    void trackingIdle();

    CPanelFrame* frame() const { return m_frame; }
    // The open panel's own child window as the system names it (an X11
    // Window id), for hosts that embed it; 0 while closed, without a window
    // or once the system destroyed it.
    std::uintptr_t nativeWindow() const override;
    void* parentWindow() const { return m_parentWindow; }
    bool insideHostIdle() const { return m_insideHostIdle; }
    CEditorHost* host() const { return m_host; }
    // A control's edit gesture, told to the listener.
    void beginEdit(int index);
    void performEdit(int index, float value);
    void endEdit(int index);
    static VstInt32 knobMode() { return s_knobMode; }

protected:
    // False only when an idle now would find nothing to do on the
    // framework's side: the last idle changed nothing, nothing touched the
    // editor since, no update is posted, and the frame has no news (no view
    // changed; the window: one non-blocking look at its connection). An
    // editor with state of its own skips its idle only when that is
    // unchanged too.
    bool idleMayHaveWork();
    // Something reached the editor, between idles or during one: the next
    // idle runs in full.
    void touch() { m_touched = true; }
    // Takes frame (one reference) as the open frame; false, releasing it,
    // when it has no window.
    bool adoptFrame(CPanelFrame* frame);
    // The panel's rectangle, in panel coordinates.
    void setRect(const CRect& rect);

    ERect m_rect{};

private:
    void releaseFrame();
    void chooseScale(void* parentWindow);
    // Chooses the scale for parentWindow; when it differs from the one the
    // host was last told, asks the host for the new size. Answers whether it changed.
    bool rescale(void* parentWindow);
    // m_rect: the panel's rectangle at the scale.
    void updateRect();
    static bool usedKey(int answer) { return answer != -1; }

    CEditorHost* m_host;
    CEditorListener* m_listener = nullptr;
    void* m_parentWindow = nullptr;
    CRect m_panelRect;
    CScaleChoice m_scaleChoice;
    int m_scale = 1;
    bool m_updatePending = false;
    CPanelFrame* m_frame = nullptr;
    std::uint32_t m_nextIdleTime;
    bool m_insideHostIdle = false;
    bool m_idleChangedNothing = false;
    bool m_touched = false;
    static VstInt32 s_knobMode;
};
