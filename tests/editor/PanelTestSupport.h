#pragma once
// Helpers of the front-panel tests on the headless backend: the instrument
// with its editor open in a memory window, clicks and drags scripted on the
// headless clock, what the editor sent to the instrument, and what the
// window shows (LCD text, keys, legends) read back from its pixels.

#include "CPanelEditor.h"
#include "CPixelSurface.h"
#include "CQuibo.h"
#include "CQuiboPlugin.h"
#include "PanelReference.h"
#include "platform/headless/HeadlessPlatform.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace paneltest {

// What the plug-in asked of its host.
struct HostLog {
    std::vector<int> edits; // +index for a begin, -index - 1 for an end
    int automations = 0;
    std::vector<std::pair<int, float>> automated; // index and value of each automation
    std::vector<std::pair<int, int>> windowSizes; // audioMasterSizeWindow's requests
    int idles = 0;
    // Run at each host idle (a host keeps its audio going meanwhile).
    std::function<void()> onIdle;
};
HostLog& hostLog();
VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float);

// One step of a scripted pointer: from at milliseconds after the press.
struct PointerStep {
    std::uint32_t at;
    CPoint where;
    bool held;
    int modifiers;
};

// The instrument and its editor, open on a headless window and painted once.
// At scale 2 the host announces that factor before it opens the editor (as
// some hosts do), and the pointer's places, given in panel pixels, are
// doubled in the window.
class OpenPanel {
public:
    explicit OpenPanel(int scale = 1);
    ~OpenPanel();
    OpenPanel(const OpenPanel&) = delete;
    OpenPanel& operator=(const OpenPanel&) = delete;

    void reopen();
    CHeadlessWindow& window() const { return *headless::lastWindow(); }
    const CPixelSurface& screen() const { return window().screen(); }

    // A left click at where, held for holdMs; the editor's idle runs while
    // it is held, as in a host.
    void click(CPoint where, std::uint32_t holdMs = 50, int modifiers = kNone);
    // A press that follows the steps (the first step's where is the press).
    void gesture(const std::vector<PointerStep>& steps);
    // Moves the pointer without buttons.
    void hover(CPoint where);
    void idle(int times = 1);
    // Runs frames of audio (the instrument applies what was queued).
    void process(int frames = 64);
    // The parameter and key commands queued since the last call, in order;
    // note keys with their key code.
    struct Sent {
        int index;
        float value;
        bool operator==(const Sent& o) const { return index == o.index && value == o.value; }
    };
    std::vector<Sent> takeSent();

    CPoint centreOf(int tag) const;
    int scale() const { return m_scale; }

    // The instrument, owned by the plug-in, which owns it with its editor.
    CQuibo* quibo = nullptr;
    std::unique_ptr<CQuiboPlugin> plugin;
    CPanelEditor* editor = nullptr;
    std::vector<float> left, right;

private:
    CPoint inWindow(CPoint where) const { return {where.x * m_scale, where.y * m_scale}; }

    int m_scale;
};

void* parentWindow();

// The nine LCD cells as the window shows them: digits and "[]_-~", '.' for a
// blank cell, '?' for a picture that is no glyph.
std::string lcdText(const CPixelSurface& screen);
// 1 when the key's rectangle shows its pressed frame, 0 its rest frame, -1
// anything else (covered).
int keyShown(const CPixelSurface& screen, const CPanelEditor& editor, int tag);
// True when the pixels of rect equal those of frame of bitmapId placed there
// (but for the part except, relative to rect, edges included).
bool showsFrame(const CPixelSurface& screen, const CRect& rect, int bitmapId, int frame,
                const CRect& except = {-1, -1, -1, -1});

} // namespace paneltest
