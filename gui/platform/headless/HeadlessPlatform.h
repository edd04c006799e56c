#pragma once
// The headless window backend: windows that exist only in memory. Tests and
// tools drive it: they send paints and clicks, script the pointer, the
// buttons and the clock, and read what the frame presented and what it asked
// of the system.

#include "CPixelSurface.h"
#include "platform/GuiPlatform.h"

#include <vector>

class CHeadlessWindow : public CGuiWindow {
public:
    explicit CHeadlessWindow(const CWindowRequest& request);
    ~CHeadlessWindow() override;

    void present(const CPixelSurface& surface, const CRect& area) override;
    CPoint pointerPosition() override;
    CRawButtons rawButtons() override;
    void processEvents(bool paintsOnly) override;
    bool hasNews() override;
    void resize(int width, int height) override;

    // Delivered at once, as a system message would be.
    void sendPaint(const CRect& area);
    void sendButtonDown(CPoint where);
    // Delivered by the next processEvents.
    void queuePaint(const CRect& area);
    void queueButtonDown(CPoint where);
    // As if the host destroyed its window with ours in it.
    void destroyBySystem();

    // What was presented: the picture, the number of presentations and the
    // union of their areas since the last resetPresented.
    const CPixelSurface& screen() const { return m_screen; }
    int presentCount() const { return m_presentCount; }
    CRect presentedArea() const { return m_presentedArea; }
    void resetPresented();

    void* parent() const { return m_request.parent; }
    int width() const { return m_request.width; }
    int height() const { return m_request.height; }
    CDropDispatch* drop() const { return m_request.drop; }
    bool alive() const { return m_alive; }

private:
    struct Event {
        bool paint;
        CRect area;
        CPoint where;
    };

    CWindowRequest m_request;
    CPixelSurface m_screen;
    std::vector<Event> m_queue;
    int m_presentCount = 0;
    CRect m_presentedArea;
    bool m_alive = true;
    // The last processEvents found nothing queued, with the pointer here.
    bool m_drained = false;
    CPoint m_pointerAtRead;
};

namespace headless {

struct Counters {
    int classRegistrations = 0;
    int classUnregistrations = 0;
    int windowsCreated = 0;
    int windowsDestroyed = 0;
};

// Clears the counters, the input script and the clock (tick 0), and lets
// windows be made again.
void reset();
const Counters& counters();
bool classRegistered();
// The window made last, while it exists.
CHeadlessWindow* lastWindow();
// Makes createWindow fail, as without a display.
void setWindowsAvailable(bool available);
// What the system tells of its display scale (0: nothing, the default).
void setSystemScaleFactor(float factor);

// The clock: sleeps advance it.
void setTick(std::uint32_t tick);
int sleepCount();
// From tick on, the pointer is at pointer and the buttons are buttons.
void scriptInput(std::uint32_t tick, CPoint pointer, const CRawButtons& buttons);

} // namespace headless
