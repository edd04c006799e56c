#include "HeadlessReference.h"

#include "GuiTestEditor.h"
#include "GuiTestFrame.h"
#include "platform/headless/HeadlessPlatform.h"

#include <cstdio>

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

void writePpm(const CPixelSurface& picture, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint32_t p = picture.pixel(x, y);
            const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                          static_cast<unsigned char>(p)};
            std::fwrite(rgb, 1, 3, file);
        }
    std::fclose(file);
}

} // namespace guitest
