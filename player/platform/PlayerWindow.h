#pragma once
// The player's top-level window, which holds the front panel: what the
// program takes from the window system. One implementation per system
// (platform/x11/).

#include "EditorKey.h"

#include <memory>
#include <string>

// What the window reports, on the thread that runs it.
class CPlayerWindowListener {
public:
    // A key pressed or released while the window has the keyboard; a release
    // carries what its press carried. Keys held when the window loses the
    // keyboard are released.
    virtual void windowKeyDown(const EditorKey& key) = 0;
    virtual void windowKeyUp(const EditorKey& key) = 0;
    // The user closed the window, or another program (a window manager, a
    // desktop tool) destroyed it: either ends the program.
    virtual void windowCloseRequested() = 0;
    // The display closed under the window (the window system went away).
    // Called from inside the window system's error handling, which cannot
    // go on: the listener saves what it must and ends the program.
    [[noreturn]] virtual void windowDisplayLost() = 0;

protected:
    ~CPlayerWindowListener() = default;
};

class CPlayerWindow {
public:
    virtual ~CPlayerWindow() = default;
    // Opens the window at a fixed size with its title, shown; false with the
    // reason when there is no display.
    virtual bool open(int width, int height, const char* title, CPlayerWindowListener* listener,
                      std::string& error) = 0;
    // The native window a child (the panel) opens in.
    virtual void* nativeWindow() = 0;
    // Waits up to milliseconds for the window's events, for otherSource (a
    // descriptor, -1: none) to become readable, or for wakePlayerWindow, then
    // reports the window's events that came. Answers whether anything came.
    virtual bool waitEvents(int milliseconds, int otherSource) = 0;
    // A few lines of text ('\n' between them) in a strip below the panel,
    // the window grown to hold them; empty: no strip, the panel's size again.
    virtual void showMessage(const std::string& text) = 0;
    virtual void close() = 0;
};

std::unique_ptr<CPlayerWindow> createPlayerWindow();

// Makes a waitEvents in progress, or the next one, return at once. Safe in a
// signal handler on any thread; does nothing before a window was opened.
void wakePlayerWindow();
