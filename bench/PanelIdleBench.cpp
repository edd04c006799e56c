// The front panel's idle pass (headless backend): an open panel that nothing
// changes, one key changing at every idle (a note shown down and up), and
// the whole window painted, for comparison. Times are per idle.
#include "CPanelEditor.h"
#include "CQuibo.h"
#include "CQuiboPlugin.h"
#include "platform/headless/HeadlessPlatform.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

VstIntPtr panelHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == 1 ? 2400 : 0; // audioMasterVersion
}

// The instrument in Play with its panel open, painted and idled once.
struct OpenPanel {
    OpenPanel()
    {
        headless::reset();
        auto made = std::make_unique<CQuibo>();
        quibo = made.get();
        editor = new CPanelEditor(quibo);
        plugin = std::make_unique<CQuiboPlugin>(panelHost, std::move(made));
        float unused[1];
        float* outputs[2] = {unused, unused};
        plugin->processReplacing(nullptr, outputs, 0);
        static int parent;
        editor->open(&parent);
        headless::lastWindow()->sendPaint({0, 0, 882, 213});
        editor->idle();
    }
    CQuibo* quibo = nullptr; // owned by the plug-in
    std::unique_ptr<CQuiboPlugin> plugin;
    CPanelEditor* editor = nullptr;
};

void PanelIdleUntouched(benchmark::State& state)
{
    OpenPanel panel;
    for (auto _ : state)
        panel.editor->idle();
}
BENCHMARK(PanelIdleUntouched);

void PanelIdleOneKeyChanging(benchmark::State& state)
{
    OpenPanel panel;
    bool down = false;
    for (auto _ : state) {
        down = !down;
        panel.quibo->editorNotices().keyChanged(60, down);
        panel.editor->idle();
    }
}
BENCHMARK(PanelIdleOneKeyChanging);

void PanelWholePaint(benchmark::State& state)
{
    OpenPanel panel;
    CHeadlessWindow* window = headless::lastWindow();
    for (auto _ : state)
        window->sendPaint({0, 0, 882, 213});
}
BENCHMARK(PanelWholePaint);

} // namespace
