#include "HeadlessPlatform.h"

#include <algorithm>

namespace {

struct ScriptStep {
    std::uint32_t tick;
    CPoint pointer;
    CRawButtons buttons;
};

struct State {
    headless::Counters counters;
    bool classRegistered = false;
    bool windowsAvailable = true;
    float systemScaleFactor = 0.0f;
    std::uint32_t tick = 0;
    int sleeps = 0;
    std::vector<ScriptStep> script;
    CHeadlessWindow* lastWindow = nullptr;
};

State& state()
{
    static State s;
    return s;
}

const ScriptStep* currentStep()
{
    const ScriptStep* current = nullptr;
    for (const ScriptStep& step : state().script)
        if (static_cast<std::int32_t>(state().tick - step.tick) >= 0)
            current = &step;
    return current;
}

} // namespace

CHeadlessWindow::CHeadlessWindow(const CWindowRequest& request)
    : m_request(request)
{
    m_screen.reset(request.width, request.height);
    ++state().counters.windowsCreated;
    state().lastWindow = this;
}

CHeadlessWindow::~CHeadlessWindow()
{
    ++state().counters.windowsDestroyed;
    if (state().lastWindow == this)
        state().lastWindow = nullptr;
}

void CHeadlessWindow::present(const CPixelSurface& surface, const CRect& area)
{
    if (!m_alive)
        return;
    m_screen.copyFrom(surface, {area.left, area.top}, area, m_screen.bounds());
    ++m_presentCount;
    m_presentedArea = m_presentedArea.unite(area);
}

CPoint CHeadlessWindow::pointerPosition()
{
    const ScriptStep* step = currentStep();
    return step != nullptr ? step->pointer : CPoint{};
}

CRawButtons CHeadlessWindow::rawButtons()
{
    const ScriptStep* step = currentStep();
    return step != nullptr ? step->buttons : CRawButtons{};
}

void CHeadlessWindow::processEvents(bool paintsOnly)
{
    std::vector<Event> waiting;
    waiting.swap(m_queue);
    m_drained = !paintsOnly && waiting.empty();
    m_pointerAtRead = pointerPosition();
    for (const Event& event : waiting) {
        if (event.paint)
            sendPaint(event.area);
        else if (paintsOnly)
            m_queue.push_back(event);
        else
            sendButtonDown(event.where);
    }
}

// As an event-driven system's window: news are queued events and a pointer
// moved (its script) since the last read that found nothing.
bool CHeadlessWindow::hasNews()
{
    return m_alive && (!m_drained || !m_queue.empty() || !(pointerPosition() == m_pointerAtRead));
}

void CHeadlessWindow::sendPaint(const CRect& area)
{
    if (m_alive)
        m_request.listener->windowPaint(area);
}

void CHeadlessWindow::sendButtonDown(CPoint where)
{
    if (m_alive)
        m_request.listener->windowButtonDown(where, rawButtons());
}

void CHeadlessWindow::queuePaint(const CRect& area)
{
    m_queue.push_back({true, area, {}});
}

void CHeadlessWindow::queueButtonDown(CPoint where)
{
    m_queue.push_back({false, {}, where});
}

void CHeadlessWindow::destroyBySystem()
{
    if (!m_alive)
        return;
    m_alive = false;
    m_request.listener->windowDestroyed();
}

void CHeadlessWindow::resize(int width, int height)
{
    m_request.width = width;
    m_request.height = height;
    m_screen.reset(width, height);
}

void CHeadlessWindow::resetPresented()
{
    m_presentCount = 0;
    m_presentedArea = {};
}

namespace headless {

void reset()
{
    State& s = state();
    s.counters = {};
    s.windowsAvailable = true;
    s.systemScaleFactor = 0.0f;
    s.tick = 0;
    s.sleeps = 0;
    s.script.clear();
}

const Counters& counters()
{
    return state().counters;
}

bool classRegistered()
{
    return state().classRegistered;
}

CHeadlessWindow* lastWindow()
{
    return state().lastWindow;
}

void setWindowsAvailable(bool available)
{
    state().windowsAvailable = available;
}

void setSystemScaleFactor(float factor)
{
    state().systemScaleFactor = factor;
}

void setTick(std::uint32_t tick)
{
    state().tick = tick;
}

int sleepCount()
{
    return state().sleeps;
}

void scriptInput(std::uint32_t tick, CPoint pointer, const CRawButtons& buttons)
{
    std::vector<ScriptStep>& script = state().script;
    const auto at = std::upper_bound(script.begin(), script.end(), tick,
                                     [](std::uint32_t t, const ScriptStep& step) { return t < step.tick; });
    script.insert(at, {tick, pointer, buttons});
}

} // namespace headless

namespace guiplatform {

bool hasWindowBackend()
{
    return false;
}

bool registerWindowClass()
{
    ++state().counters.classRegistrations;
    state().classRegistered = true;
    return true;
}

void unregisterWindowClass()
{
    ++state().counters.classUnregistrations;
    state().classRegistered = false;
}

std::unique_ptr<CGuiWindow> createWindow(const CWindowRequest& request)
{
    if (!state().windowsAvailable || request.parent == nullptr || request.listener == nullptr)
        return nullptr;
    return std::make_unique<CHeadlessWindow>(request);
}

float systemScaleFactor(void*)
{
    return state().systemScaleFactor;
}

std::uint32_t tickCount()
{
    return state().tick;
}

void sleepMilliseconds(int milliseconds)
{
    ++state().sleeps;
    if (milliseconds > 0)
        state().tick += static_cast<std::uint32_t>(milliseconds);
}

} // namespace guiplatform
