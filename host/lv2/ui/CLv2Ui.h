#pragma once
// The LV2 plug-in's panel as the host embeds it: the instrument's own editor
// opened in the host's X11 window. The UI reaches the plug-in instance
// directly (instance-access), carries the instrument to the host as its
// front and listens to the panel while it is open, and tells the host of the
// panel's edits through the control ports.

#include "CEditorListener.h"
#include "CInstrumentFront.h"

#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>

class CEditorView;
class CLv2Instance;

class CLv2Ui : private CInstrumentFront, private CEditorListener {
public:
    // What a UI takes from the host's features.
    struct Features {
        void* parent = nullptr; // ui:parent, the host's X11 window
        CLv2Instance* instance = nullptr; // instance-access
        const LV2UI_Resize* resize = nullptr;
        const LV2UI_Touch* touch = nullptr;
        const LV2_URID_Map* map = nullptr;
        // ui:scaleFactor from the host's options; 0 when not given.
        float scaleFactor = 0.0f;
    };
    static Features readFeatures(const LV2_Feature* const* features);

    // The panel opened in features' parent window, or null (nothing changed)
    // without a parent or the instance, when the instrument has no editor on
    // a window system, its panel is already open, or no window can be made.
    // widget receives the panel's window id.
    static CLv2Ui* open(const Features& features, LV2UI_Write_Function write, LV2UI_Controller controller,
                        LV2UI_Widget* widget);
    // Closes the panel (its window goes) and detaches the front.
    virtual ~CLv2Ui();

    CLv2Ui(const CLv2Ui&) = delete;
    CLv2Ui& operator=(const CLv2Ui&) = delete;

    // ui:idleInterface: the instrument's notices, then the panel's idle.
    // 0, or 1 once the system destroyed the panel's window.
    int idlePanel();
    // ui:idleInterface and the options interface (a new ui:scaleFactor) for
    // extension_data; null for other URIs.
    static const void* extensionData(const char* uri);
    // The options interface's set: takes a new ui:scaleFactor.
    std::uint32_t setOptions(const LV2_Options_Option* options);
    // ui:scaleFactor among options, as a float; 0 without one.
    static float scaleFactorIn(const LV2_Options_Option* options, const LV2_URID_Map* map);

private:
    CLv2Ui(const Features& features, CEditorView& editor, LV2UI_Write_Function write, LV2UI_Controller controller);
    void writePort(std::int32_t index, float value);
    void touchPort(std::int32_t index, bool grabbed);

    // CInstrumentFront: the host hears through the control ports.
    void parameterChanged(std::int32_t index, float value) override;
    void programsChanged() override;
    bool transportRuns() override;
    // CEditorListener: the panel's gestures as touches and port values, its
    // size through ui:resize.
    void beginGesture(std::int32_t index) override;
    void performGesture(std::int32_t index, float value) override;
    void endGesture(std::int32_t index) override;
    void idleHost() override;
    bool resizeRequest(std::int32_t width, std::int32_t height) override;

    CLv2Instance& m_instance;
    CEditorView& m_editor;
    LV2UI_Write_Function m_write;
    LV2UI_Controller m_controller;
    // A copy: the host's feature may not outlive instantiate. Its touch is
    // null when the host offered none.
    LV2UI_Touch m_touch{};
    LV2UI_Resize m_resize{};
    const LV2_URID_Map* m_map;
};
