#pragma once

#include "PlayerWindow.h"

#include <X11/Xlib.h>

// The player's window on X11: a top-level window on a display connection of
// its own, fixed in size, closed through WM_DELETE_WINDOW. The panel opens
// as its child on the editor's own connection; the keys it does not take
// reach this window, which turns them into VstKeyCode.
class CX11PlayerWindow final : public CPlayerWindow {
public:
    ~CX11PlayerWindow() override;

    bool open(int width, int height, const char* title, CPlayerWindowListener* listener, std::string& error) override;
    void* nativeWindow() override;
    void waitEvents(int milliseconds) override;
    void close() override;

private:
    static constexpr int kKeyCodes = 256;

    void setTitle(const char* title);
    void fixSize(int width, int height);
    // _NET_WM_PID and WM_CLIENT_MACHINE: the window manager and desktop tools
    // can tell which process owns the window (to end one that hangs).
    void setOwner();
    void handle(XEvent& event);
    void keyPressed(XKeyEvent& event);
    void keyReleased(XKeyEvent& event);
    void releaseAllKeys();

    Display* m_display = nullptr;
    Window m_window = 0;
    Atom m_deleteWindow = 0;
    CPlayerWindowListener* m_listener = nullptr;
    bool m_focusTaken = false;
    // What each held key's press reported, so that its release reports the same.
    bool m_held[kKeyCodes] = {};
    VstKeyCode m_heldKey[kKeyCodes] = {};
};
