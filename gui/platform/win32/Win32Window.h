#pragma once
// The Win32 window backend: a child window of the host's HWND, of the
// module's window class "Plugin%08x"; the frame's pixels are presented with
// SetDIBitsToDevice; drops arrive through an OLE drop target.

#include "platform/GuiPlatform.h"

#include <windows.h>

class CWin32DropTarget;

class CWin32Window : public CGuiWindow {
public:
    ~CWin32Window() override;
    bool open(const CWindowRequest& request);

    void present(const CPixelSurface& surface, const CRect& area) override;
    CPoint pointerPosition() override;
    void resize(int width, int height) override;
    CRawButtons rawButtons() override;
    void processEvents(bool paintsOnly) override;

    HWND handle() const { return m_window; }

    // The window procedure of the class.
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // "Plugin" and the module handle in eight lower-case hexadecimal digits.
    static const char* className();
    static HINSTANCE module();

private:
    void paint(HWND window);

    HWND m_window = nullptr;
    CWindowListener* m_listener = nullptr;
    HDC m_paintDc = nullptr; // set while a WM_PAINT is handled
    bool m_oleInitialised = false;
    CWin32DropTarget* m_dropTarget = nullptr;
};
