#include "PanelTestSupport.h"

#include "CFrameStrip.h"
#include "CKeyButton.h"
#include "CPanelBitmap.h"
#include "CPanelFrame.h"

namespace paneltest {

HostLog& hostLog()
{
    static HostLog log;
    return log;
}

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterAutomate:
        ++hostLog().automations;
        hostLog().automated.emplace_back(index, opt);
        return 1;
    case audioMasterSizeWindow:
        hostLog().windowSizes.emplace_back(index, static_cast<int>(value));
        return 1;
    case audioMasterBeginEdit:
        hostLog().edits.push_back(index);
        return 1;
    case audioMasterEndEdit:
        hostLog().edits.push_back(-index - 1);
        return 1;
    case audioMasterIdle:
        ++hostLog().idles;
        if (hostLog().onIdle)
            hostLog().onIdle();
        return 1;
    default:
        return 0;
    }
}

void* parentWindow()
{
    return reinterpret_cast<void*>(0x1234);
}

OpenPanel::OpenPanel(int scale)
    : m_scale(scale)
{
    headless::reset();
    hostLog() = {};
    auto instrument = std::make_unique<CQuibo>();
    quibo = instrument.get();
    editor = new CPanelEditor(quibo);
    plugin = std::make_unique<CQuiboPlugin>(hostCallback, std::move(instrument));
    process(0);
    if (scale != 1)
        plugin->dispatcher(effVendorSpecific, kScaleFactorRequest, kScaleFactorValue, nullptr,
                           static_cast<float>(scale));
    reopen();
}

OpenPanel::~OpenPanel()
{
    plugin.reset();
}

void OpenPanel::reopen()
{
    editor->close();
    editor->open(parentWindow());
    window().sendPaint({0, 0, 882 * m_scale, 213 * m_scale});
}

namespace {
CRawButtons rawButtons(bool held, int modifiers)
{
    CRawButtons raw;
    raw.left = held;
    raw.shift = (modifiers & kShift) != 0;
    raw.control = (modifiers & kControl) != 0;
    raw.alt = (modifiers & kAlt) != 0;
    return raw;
}
} // namespace

void OpenPanel::gesture(const std::vector<PointerStep>& steps)
{
    const std::uint32_t now = guiplatform::tickCount();
    for (const PointerStep& step : steps)
        headless::scriptInput(now + step.at, inWindow(step.where), rawButtons(step.held, step.modifiers));
    window().queueButtonDown(inWindow(steps.front().where));
    editor->idle();
}

void OpenPanel::click(CPoint where, std::uint32_t holdMs, int modifiers)
{
    gesture({{0, where, true, modifiers}, {holdMs, where, false, kNone}});
}

void OpenPanel::hover(CPoint where)
{
    headless::scriptInput(guiplatform::tickCount(), inWindow(where), {});
}

void OpenPanel::idle(int times)
{
    for (int i = 0; i < times; ++i)
        editor->idle();
}

void OpenPanel::process(int frames)
{
    left.assign(static_cast<std::size_t>(frames) + 1, 0.0f);
    right.assign(static_cast<std::size_t>(frames) + 1, 0.0f);
    float* outputs[2] = {left.data(), right.data()};
    plugin->processReplacing(nullptr, outputs, frames);
    left.pop_back();
    right.pop_back();
}

CPixelSurface panelPicture(int clickedKey, int scale)
{
    OpenPanel panel(scale);
    panel.idle();
    if (clickedKey != 0) {
        hostLog().onIdle = [&panel] { panel.process(512); };
        panel.click(panel.centreOf(clickedKey), 300);
        hostLog().onIdle = nullptr;
        panel.process(512);
        panel.idle();
    }
    return panel.screen();
}

std::vector<CPoint> pointsOnControl(int parameter, const std::vector<float>& fractions)
{
    OpenPanel panel;
    const CRect bounds = panel.editor->parameterControl(parameter)->bounds();
    std::vector<CPoint> points;
    for (float f : fractions)
        points.push_back(
            {bounds.left + static_cast<int>(f * static_cast<float>(bounds.width())), (bounds.top + bounds.bottom) / 2});
    return points;
}

float valueAfterGesture(int parameter, const std::vector<CPoint>& points, int modifiers)
{
    constexpr std::uint32_t kStep = 30;
    OpenPanel panel;
    std::vector<PointerStep> steps;
    for (const CPoint& point : points)
        steps.push_back({kStep * static_cast<std::uint32_t>(steps.size()), point, true, modifiers});
    steps.push_back({kStep * static_cast<std::uint32_t>(steps.size()), points.back(), false, kNone});
    panel.gesture(steps);
    panel.process();
    return panel.plugin->getParameter(parameter);
}

std::vector<OpenPanel::Sent> OpenPanel::takeSent()
{
    std::vector<Sent> sent;
    CCommandQueue::Command command;
    while (quibo->commandQueue().pop(command)) {
        const int index =
            command.index >= CQuibo::kNoteKeyCommand ? command.index - CQuibo::kNoteKeyCommand : command.index;
        sent.push_back({index, command.value});
    }
    return sent;
}

CPoint OpenPanel::centreOf(int tag) const
{
    CPanelView* view = nullptr;
    if (tag >= 0 && tag < CPanelEditor::kParameterControls)
        view = editor->parameterControl(tag);
    else if (tag >= kFirstNoteKey && tag <= kLastNoteKey)
        view = editor->key(tag);
    else
        view = editor->button(tag);
    const CRect r = view != nullptr ? view->bounds() : CRect{};
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool showsFrame(const CPixelSurface& screen, const CRect& rect, int bitmapId, int frame, const CRect& except)
{
    CPanelBitmap* bitmap = new CPanelBitmap(bitmapId);
    bool same = bitmap->width() > 0;
    for (int y = 0; same && y < rect.height(); ++y)
        for (int x = 0; same && x < rect.width(); ++x)
            same = except.containsInclusive({x, y}) ||
                   screen.pixel(rect.left + x, rect.top + y) == bitmap->pixels().pixel(x, frame * rect.height() + y);
    bitmap->release();
    return same;
}

std::string lcdText(const CPixelSurface& screen)
{
    static const char kGlyphs[] = ".0123456789[]_-~";
    std::string text;
    for (int cell = 0; cell < 9; ++cell) {
        const CRect rect = CRect::fromSize(244 + 14 * cell, 43, 13, 19);
        // The decimal point of the cell before lies over the cell's corner.
        const CRect point = cell > 0 ? CRect{10, 16, 12, 18} : CRect{-1, -1, -1, -1};
        char shown = '?';
        for (int frame = 0; frame < 16 && shown == '?'; ++frame)
            if (showsFrame(screen, rect, 187, frame, point))
                shown = kGlyphs[frame];
        text += shown;
    }
    return text;
}

int keyShown(const CPixelSurface& screen, const CPanelEditor& editor, int tag)
{
    CKeyButton* key = editor.key(tag);
    if (key == nullptr)
        key = editor.button(tag);
    if (key == nullptr || key->bitmap() == nullptr)
        return -1;
    const int id = key->bitmap()->resourceId();
    if (showsFrame(screen, key->bounds(), id, 1))
        return 1;
    return showsFrame(screen, key->bounds(), id, 0) ? 0 : -1;
}

} // namespace paneltest
