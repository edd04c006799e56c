#pragma once
// Helpers of the headless GUI tests: hand-made BMP data, a recording editor
// host, recording views and an allocation counter.

#include "CEditorHost.h"
#include "CEditorListener.h"
#include "CGuiEditor.h"
#include "CPaintContext.h"
#include "CPanelView.h"
#include "platform/headless/HeadlessPlatform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace guitest {

using Bytes = std::vector<unsigned char>;

// BMP data: the 14-byte file header (when asked), a 40-byte info header,
// masks or palette, then pixelData as given.
Bytes makeBmp(int width, int height, int bitCount, std::uint32_t compression, const std::vector<std::uint32_t>& palette,
              const Bytes& pixelData, bool fileHeader = true, const std::vector<std::uint32_t>& masks = {});
// Uncompressed rows (padded to 4 bytes, bottom-up unless height < 0) of
// pixel(x, y) for y counted from the top: 0x00RRGGBB for 24 and 32 bits,
// a palette index for 8 bits.
Bytes packRows(int width, int height, int bitCount, const std::function<std::uint32_t(int, int)>& pixel);
Bytes bmpFile(int width, int height, int bitCount, const std::function<std::uint32_t(int, int)>& pixel,
              const std::vector<std::uint32_t>& palette = {});

// Records what an editor asked of its plug-in.
// It listens to the editor it adopts.
class CRecordingHost : public CEditorHost, public CEditorListener {
public:
    void adoptEditor(CEditorView* editor, bool showEditor) override;
    void idleHost() override;
    void beginGesture(std::int32_t index) override { edits.push_back(index); }
    void performGesture(std::int32_t, float) override { }
    void endGesture(std::int32_t index) override { edits.push_back(-index); }
    bool resizeRequest(std::int32_t width, std::int32_t height) override
    {
        resizes.push_back({width, height});
        return true;
    }

    CGuiEditor* editor = nullptr;
    bool shown = false;
    int masterIdles = 0;
    int masterIdlesOutsideGuard = 0;
    // During a masterIdle, run this, then the editor's idle as a host would.
    std::function<void()> duringMasterIdle;
    bool idleEditorInMasterIdle = false;
    // +tag for a begin, -tag for an end.
    std::vector<int> edits;
    // The window sizes asked for.
    std::vector<CPoint> resizes;
};

// A view that counts its paints and clicks and keeps the last click's buttons.
class CRecordingView : public CPanelView {
public:
    explicit CRecordingView(const CRect& bounds, std::uint32_t colour = 0x00336699);
    void paint(CPaintContext& context) override;
    void mouseDown(CPaintContext& context, CPoint where) override;
    int keyDown(const CKeyCode& key) override;
    bool dropItems(const char* const* items, int count, int type, CPoint where) override;

    std::uint32_t colour;
    int paints = 0;
    int clicks = 0;
    int lastButtons = -2;
    CPoint lastWhere{-1, -1};
    int keyAnswer = -1;
    int keys = 0;
    bool acceptDrops = false;
    std::vector<std::string> dropped;
    int droppedType = -1;
};

} // namespace guitest
