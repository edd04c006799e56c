#pragma once
// The module's window class, registered for the first frame that opens a
// window and unregistered when the last of them is gone. Frames of several
// plug-in instances may open on different host threads, so the count is
// guarded (never by the audio thread).

class CWindowClass {
public:
    // Registers the class if no frame holds it yet; false when that failed.
    static bool acquire();
    static void release();
    static int users();
};
