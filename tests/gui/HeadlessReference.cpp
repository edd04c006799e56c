#include "HeadlessReference.h"

#include "GuiTestEditor.h"
#include "GuiTestFrame.h"
#include "platform/headless/HeadlessPlatform.h"

namespace guitest {

CPixelSurface headlessPicture(const std::vector<CPoint>& clicks)
{
    headless::reset();
    CGuiTestEditor editor(nullptr);
    editor.open(reinterpret_cast<void*>(1));
    CHeadlessWindow* window = headless::lastWindow();
    window->sendPaint({0, 0, kFrameWidth, kFrameHeight});
    CRawButtons left;
    left.left = true;
    for (CPoint point : clicks) {
        const std::uint32_t now = guiplatform::tickCount();
        headless::scriptInput(now, point, left);
        headless::scriptInput(now + 50, point, {});
        window->queueButtonDown(point);
        editor.idle();
    }
    editor.idle();
    CPixelSurface picture = window->screen();
    editor.close();
    return picture;
}

} // namespace guitest
