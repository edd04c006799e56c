// The UI's entry point: the panel for the plug-in's instance (lv2ui_descriptor).
#include "CLv2Ui.h"
#include "Lv2Contract.h"

#include <cstring>

namespace {

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (pluginUri != nullptr && std::strcmp(pluginUri, lv2contract::kPluginUri) != 0)
        return nullptr;
    return CLv2Ui::open(CLv2Ui::readFeatures(features), write, controller, widget);
}

void cleanup(LV2UI_Handle handle)
{
    delete static_cast<CLv2Ui*>(handle);
}

// Control ports need nothing: the plug-in takes the host's values and the
// panel reads the instrument's at its idle.
void portEvent(LV2UI_Handle, std::uint32_t, std::uint32_t, std::uint32_t, const void*)
{
}

const LV2UI_Descriptor kDescriptor = {lv2contract::kUiUri, instantiate, cleanup, portEvent, CLv2Ui::extensionData};

} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
