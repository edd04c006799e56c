#pragma once

#include "EditorKey.h"

#include <cstdint>

class CEditorListener;

// The instrument's front panel as every front shows it, on the host's
// user-interface thread: its size, open on a native parent window (an X11
// Window id or a Win32 HWND, as void*), idle, close, the display scale and
// the keyboard. It knows no plug-in format; each front adapts its host's
// editor calls to these.
class CEditorView {
public:
    // Width and height in the window's pixels.
    struct Size {
        int width = 0;
        int height = 0;
    };

    virtual ~CEditorView() = default;

    // The front that hears the editor's gestures, idle and resize requests;
    // null: nobody. A front sets it before it opens the editor and takes it
    // back before it goes.
    virtual void setListener(CEditorListener* listener) = 0;

    // The size at the scale the editor draws at; while closed, the scale is
    // chosen anew (the factor announced, the system's).
    virtual Size size() = 0;
    // Opens the panel as a child of parent; false when no window could be made.
    virtual bool open(void* parent) = 0;
    virtual void close() = 0;
    // Reads the window's events and draws what changed; the front calls it
    // often (about every 50 ms).
    virtual void idle() = 0;
    // The host's display scale (1 = 96 dots per inch); 0 withdraws it. An
    // open editor that changes scale asks its listener for the new size.
    virtual void setHostScaleFactor(float factor) = 0;
    // The scale the editor draws at: 1, or 2 for the double set.
    virtual int scale() const = 0;
    // Whether the panel is open (in any front).
    virtual bool isShowing() const = 0;
    // The open panel's own window as the system names it, for hosts that
    // embed it; 0 while closed or once the system destroyed it.
    virtual std::uintptr_t nativeWindow() const = 0;
    // For a front that sleeps between idles: false only when an idle now
    // would find nothing to do; then it may sleep until newsSource is
    // readable (-1: none) or the instrument changed.
    virtual bool wantsIdle() = 0;
    virtual int newsSource() const = 0;
    // A key while the panel has the keyboard; true when the panel used it.
    virtual bool keyDown(const EditorKey& key) = 0;
    virtual bool keyUp(const EditorKey& key) = 0;
};
