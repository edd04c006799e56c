#pragma once

#include "PlayerWindow.h"

#include <X11/Xlib.h>

#include <string>
#include <vector>

// The player's window on X11: a top-level window on a display connection of
// its own, fixed in size, closed through WM_DELETE_WINDOW. The panel opens
// as its child on the editor's own connection; the keys it does not take
// reach this window, which turns them into EditorKey.
class CX11PlayerWindow final : public CPlayerWindow {
public:
    ~CX11PlayerWindow() override;

    bool open(int width, int height, const char* title, CPlayerWindowListener* listener, std::string& error) override;
    void* nativeWindow() override;
    bool waitEvents(int milliseconds, int otherSource) override;
    void showMessage(const std::string& text) override;
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
    int lineHeight() const;
    void drawMessage();

    Display* m_display = nullptr;
    Window m_window = 0;
    Atom m_deleteWindow = 0;
    CPlayerWindowListener* m_listener = nullptr;
    bool m_focusTaken = false;
    int m_width = 0;
    int m_panelHeight = 0;
    // The message's lines, its font (null: the server's default) and colours.
    std::vector<std::string> m_lines;
    XFontStruct* m_font = nullptr;
    GC m_gc = nullptr;
    // What each held key's press reported, so that its release reports the same.
    bool m_held[kKeyCodes] = {};
    EditorKey m_heldKey[kKeyCodes] = {};
};
