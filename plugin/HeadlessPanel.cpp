// The headless module's panel driver (HeadlessPanel.h), over the headless
// window backend.
#include "HeadlessPanel.h"

#include "platform/headless/HeadlessPlatform.h"

namespace {

std::uint32_t now()
{
    return guiplatform::tickCount();
}

void advanceTo(std::uint32_t ms)
{
    if (static_cast<std::int32_t>(ms - guiplatform::tickCount()) > 0)
        headless::setTick(ms);
}

void input(std::uint32_t ms, int x, int y, int buttons)
{
    CRawButtons raw;
    raw.left = (buttons & kHeadlessLeft) != 0;
    raw.middle = (buttons & kHeadlessMiddle) != 0;
    raw.right = (buttons & kHeadlessRight) != 0;
    raw.shift = (buttons & kHeadlessShift) != 0;
    raw.control = (buttons & kHeadlessControl) != 0;
    raw.alt = (buttons & kHeadlessAlt) != 0;
    headless::scriptInput(ms, {x, y}, raw);
}

void press(int x, int y)
{
    if (CHeadlessWindow* window = headless::lastWindow())
        window->queueButtonDown({x, y});
}

void expose()
{
    if (CHeadlessWindow* window = headless::lastWindow())
        window->queuePaint({0, 0, window->width(), window->height()});
}

int picture(const std::uint32_t** pixels, int* width, int* height)
{
    CHeadlessWindow* window = headless::lastWindow();
    if (window == nullptr || !window->alive() || pixels == nullptr || width == nullptr || height == nullptr)
        return 0;
    *pixels = window->screen().data();
    *width = window->screen().width();
    *height = window->screen().height();
    return 1;
}

const HeadlessPanel kPanel = {1, now, advanceTo, input, press, expose, picture};

} // namespace

extern "C" __attribute__((visibility("default"))) const HeadlessPanel* ZintraHeadlessPanel()
{
    return &kPanel;
}
