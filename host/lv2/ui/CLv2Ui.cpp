#include "CLv2Ui.h"

#include "CEditorView.h"
#include "CInstrument.h"
#include "Lv2Contract.h"

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>

#include <cstring>
#include <new>

CLv2Ui::Features CLv2Ui::readFeatures(const LV2_Feature* const* features)
{
    Features found;
    const LV2_Options_Option* options = nullptr;
    for (const LV2_Feature* const* feature = features; feature != nullptr && *feature != nullptr; ++feature) {
        const char* uri = (*feature)->URI;
        void* data = (*feature)->data;
        if (uri == nullptr)
            continue;
        if (std::strcmp(uri, LV2_UI__parent) == 0)
            found.parent = data;
        else if (std::strcmp(uri, LV2_INSTANCE_ACCESS_URI) == 0)
            found.instance = static_cast<CLv2Instance*>(data);
        else if (std::strcmp(uri, LV2_UI__resize) == 0)
            found.resize = static_cast<const LV2UI_Resize*>(data);
        else if (std::strcmp(uri, LV2_UI__touch) == 0)
            found.touch = static_cast<const LV2UI_Touch*>(data);
        else if (std::strcmp(uri, LV2_URID__map) == 0)
            found.map = static_cast<const LV2_URID_Map*>(data);
        else if (std::strcmp(uri, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>(data);
    }
    found.scaleFactor = scaleFactorIn(options, found.map);
    return found;
}

float CLv2Ui::scaleFactorIn(const LV2_Options_Option* options, const LV2_URID_Map* map)
{
    if (options == nullptr || map == nullptr || map->map == nullptr)
        return 0.0f;
    const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* option = options; option->key != 0; ++option) {
        if (option->key == key && option->type == floatType && option->size == sizeof(float) &&
            option->value != nullptr) {
            float factor = 0.0f;
            std::memcpy(&factor, option->value, sizeof factor);
            return factor;
        }
    }
    return 0.0f;
}

// One panel per instrument: an editor whose frame exists is open for another
// UI (or another front) and is left alone.
CLv2Ui* CLv2Ui::open(const Features& features, LV2UI_Write_Function write, LV2UI_Controller controller,
                     LV2UI_Widget* widget)
{
    if (features.parent == nullptr || features.instance == nullptr || widget == nullptr)
        return nullptr;
    CInstrument& instrument = features.instance->instrument();
    CEditorView* editor = instrument.editor();
    if (editor == nullptr || !instrument.editorShown() || editor->isShowing())
        return nullptr;
    editor->setHostScaleFactor(features.scaleFactor);
    if (!editor->open(features.parent) || editor->nativeWindow() == 0) {
        editor->close();
        return nullptr;
    }
    CLv2Ui* ui = new (std::nothrow) CLv2Ui(features, *editor, write, controller);
    if (ui == nullptr) {
        editor->close();
        return nullptr;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(editor->nativeWindow());
    if (features.resize != nullptr && features.resize->ui_resize != nullptr) {
        const CEditorView::Size size = editor->size();
        features.resize->ui_resize(features.resize->handle, size.width, size.height);
    }
    return ui;
}

CLv2Ui::CLv2Ui(const Features& features, CEditorView& editor, LV2UI_Write_Function write, LV2UI_Controller controller)
    : m_instance(*features.instance),
      m_editor(editor),
      m_write(write),
      m_controller(controller),
      m_map(features.map)
{
    if (features.touch != nullptr)
        m_touch = *features.touch;
    if (features.resize != nullptr)
        m_resize = *features.resize;
    m_instance.instrument().attachFront(this);
    m_editor.setListener(this);
}

// A gesture the close ends still reaches the host.
CLv2Ui::~CLv2Ui()
{
    m_editor.close();
    m_editor.setListener(nullptr);
    m_instance.instrument().attachFront(nullptr);
}

int CLv2Ui::idlePanel()
{
    m_instance.instrument().deliverNotices();
    m_editor.idle();
    return m_editor.nativeWindow() == 0 ? 1 : 0;
}

namespace {
int idleUi(LV2UI_Handle handle)
{
    return handle != nullptr ? static_cast<CLv2Ui*>(handle)->idlePanel() : 1;
}
const LV2UI_Idle_Interface kIdleInterface = {idleUi};

std::uint32_t getOptions(LV2_Handle, LV2_Options_Option*)
{
    return LV2_OPTIONS_ERR_UNKNOWN;
}

std::uint32_t setOptions(LV2_Handle handle, const LV2_Options_Option* options)
{
    if (handle == nullptr)
        return LV2_OPTIONS_ERR_UNKNOWN;
    return static_cast<CLv2Ui*>(handle)->setOptions(options);
}
const LV2_Options_Interface kOptionsInterface = {getOptions, setOptions};
} // namespace

const void* CLv2Ui::extensionData(const char* uri)
{
    if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &kIdleInterface;
    if (uri != nullptr && std::strcmp(uri, LV2_OPTIONS__interface) == 0)
        return &kOptionsInterface;
    return nullptr;
}

// A new scale makes the editor ask for its new size (resizeRequest) and
// open again at it.
std::uint32_t CLv2Ui::setOptions(const LV2_Options_Option* options)
{
    const float factor = scaleFactorIn(options, m_map);
    if (factor > 0.0f)
        m_editor.setHostScaleFactor(factor);
    return LV2_OPTIONS_SUCCESS;
}

// --- what the instrument tells the host ----------------------------------

void CLv2Ui::writePort(std::int32_t index, float value)
{
    if (m_write == nullptr || index < 0 || index >= kNumParams)
        return;
    const auto port = lv2contract::kFirstParameterPort + static_cast<std::uint32_t>(index);
    m_write(m_controller, port, sizeof(float), 0, &value);
}

void CLv2Ui::touchPort(std::int32_t index, bool grabbed)
{
    if (m_touch.touch == nullptr || index < 0 || index >= kNumParams)
        return;
    m_touch.touch(m_touch.handle, lv2contract::kFirstParameterPort + static_cast<std::uint32_t>(index), grabbed);
}

void CLv2Ui::parameterChanged(std::int32_t index, float value)
{
    writePort(index, value);
}

// The values of a new program follow as parameterChanged.
void CLv2Ui::programsChanged()
{
}

bool CLv2Ui::transportRuns()
{
    return m_instance.transportRuns();
}

// --- what the panel tells the host ---------------------------------------

void CLv2Ui::beginGesture(std::int32_t index)
{
    touchPort(index, true);
}

void CLv2Ui::performGesture(std::int32_t index, float value)
{
    writePort(index, value);
}

void CLv2Ui::endGesture(std::int32_t index)
{
    touchPort(index, false);
}

// LV2 hosts run their own loop; nothing to hand them.
void CLv2Ui::idleHost()
{
}

bool CLv2Ui::resizeRequest(std::int32_t width, std::int32_t height)
{
    return m_resize.ui_resize != nullptr && m_resize.ui_resize(m_resize.handle, width, height) == 0;
}
