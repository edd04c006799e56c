// The front panel's idle pass with the X11 backend, against the X server in
// $DISPLAY (scripts/run-benchmarks.sh starts an Xvfb for it): N panels open
// in windows of a host-like connection, each idled once per iteration, with
// nothing to do, and with one key changing at every idle (a note shown down
// and up, the key redrawn and presented). The counter "idle" is the
// processor time of one panel's idle; the X server's own time is not in it.
// Back to back, the panels' memory stays in the caches; hosts idle their
// editors 20 ms apart (up to 60 Hz), so the paced runs idle every panel once
// per 20 ms, as hosts do ("Paced"), and also with the caches swept between
// rounds as other work in a host sweeps them ("Cold"); their time is the
// host thread's processor time of the idles alone.
#include "CHostWindows.h"
#include "CPanelEditor.h"
#include "CQuibo.h"
#include "CQuiboPlugin.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

VstIntPtr panelHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == 1 ? 2400 : 0; // audioMasterVersion
}

// An instrument in Play with its panel open in a window of the host's.
struct OpenPanel {
    explicit OpenPanel(std::uintptr_t parent)
    {
        auto made = std::make_unique<CQuibo>();
        quibo = made.get();
        editor = new CPanelEditor(quibo);
        plugin = std::make_unique<CQuiboPlugin>(panelHost, std::move(made));
        float unused[1];
        float* outputs[2] = {unused, unused};
        plugin->processReplacing(nullptr, outputs, 0);
        opened = parent != 0 && editor->open(reinterpret_cast<void*>(parent));
    }
    ~OpenPanel()
    {
        if (opened)
            editor->close();
    }
    CQuibo* quibo = nullptr; // owned by the plug-in
    std::unique_ptr<CQuiboPlugin> plugin;
    CPanelEditor* editor = nullptr;
    bool opened = false;
};

// The host: its connection, the panels' parent windows and the panels, shown
// and idled until their first paint is done.
class PanelHost {
public:
    explicit PanelHost(int panels)
    {
        if (!m_windows.connected())
            return;
        for (int i = 0; i < panels; ++i) {
            m_panels.push_back(std::make_unique<OpenPanel>(m_windows.makeParent((i % 4) * 20, (i / 4) * 20)));
            if (!m_panels.back()->opened)
                return;
        }
        for (int round = 0; round < 5; ++round) {
            idleAll();
            m_windows.sync();
        }
        m_ready = true;
    }
    PanelHost(const PanelHost&) = delete;
    PanelHost& operator=(const PanelHost&) = delete;

    bool ready() const { return m_ready; }
    std::vector<std::unique_ptr<OpenPanel>>& panels() { return m_panels; }
    void idleAll()
    {
        for (auto& panel : m_panels)
            panel->editor->idle();
    }

private:
    CHostWindows m_windows;
    // Declared after the windows: the panels close before their parents go.
    std::vector<std::unique_ptr<OpenPanel>> m_panels;
    bool m_ready = false;
};

void countIdles(benchmark::State& state, int panels)
{
    state.counters["idle"] =
        benchmark::Counter(panels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void PanelX11IdleUntouched(benchmark::State& state)
{
    const int panels = static_cast<int>(state.range(0));
    PanelHost host(panels);
    if (!host.ready()) {
        state.SkipWithError("no X display, or a panel did not open (is DISPLAY set?)");
        return;
    }
    for (auto _ : state)
        host.idleAll();
    countIdles(state, panels);
}
BENCHMARK(PanelX11IdleUntouched)->ArgName("panels")->Arg(1)->Arg(32);

void PanelX11IdleOneKeyChanging(benchmark::State& state)
{
    const int panels = static_cast<int>(state.range(0));
    PanelHost host(panels);
    if (!host.ready()) {
        state.SkipWithError("no X display, or a panel did not open (is DISPLAY set?)");
        return;
    }
    bool down = false;
    for (auto _ : state) {
        down = !down;
        for (auto& panel : host.panels()) {
            panel->quibo->editorNotices().keyChanged(60, down);
            panel->editor->idle();
        }
    }
    countIdles(state, panels);
}
BENCHMARK(PanelX11IdleOneKeyChanging)->ArgName("panels")->Arg(1)->Arg(32);

// The calling thread's processor time in seconds.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Reads and writes a buffer larger than the last-level cache, so that the
// panels' memory has left every cache.
void sweepCaches()
{
    static std::vector<unsigned char> buffer(64u << 20);
    for (std::size_t i = 0; i < buffer.size(); i += 64)
        buffer[i] = static_cast<unsigned char>(buffer[i] + 1);
    benchmark::DoNotOptimize(buffer.data());
}

// Every panel idled once per round, rounds 20 ms apart; the time of a round
// is the thread's processor time of its idles (the benchmark's time), and the
// counter "idle_us" that of one panel's idle in microseconds. (The sweep's
// time is in the process's processor time, hence a counter of its own.)
void pacedIdles(benchmark::State& state, bool sweep)
{
    const int panels = static_cast<int>(state.range(0));
    PanelHost host(panels);
    if (!host.ready()) {
        state.SkipWithError("no X display, or a panel did not open (is DISPLAY set?)");
        return;
    }
    double total = 0.0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (sweep)
            sweepCaches();
        const double start = threadSeconds();
        host.idleAll();
        const double took = threadSeconds() - start;
        state.SetIterationTime(took);
        total += took;
    }
    state.counters["idle_us"] = total * 1e6 / (static_cast<double>(state.iterations()) * panels);
}

void PanelX11IdleUntouchedPaced(benchmark::State& state)
{
    pacedIdles(state, false);
}
BENCHMARK(PanelX11IdleUntouchedPaced)->ArgName("panels")->Arg(1)->Arg(32)->UseManualTime()->Iterations(150);

void PanelX11IdleUntouchedCold(benchmark::State& state)
{
    pacedIdles(state, true);
}
BENCHMARK(PanelX11IdleUntouchedCold)->ArgName("panels")->Arg(1)->Arg(32)->UseManualTime()->Iterations(100);

// The floor of the paced figures: the two clock readings around nothing,
// 20 ms apart (counter "floor_us").
void PacedClockFloor(benchmark::State& state)
{
    double total = 0.0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const double start = threadSeconds();
        const double took = threadSeconds() - start;
        state.SetIterationTime(took);
        total += took;
    }
    state.counters["floor_us"] = total * 1e6 / static_cast<double>(state.iterations());
}
BENCHMARK(PacedClockFloor)->UseManualTime()->Iterations(150);

} // namespace
