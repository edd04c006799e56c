// The LV2 plug-in's exported entry point: the descriptor whose functions
// carry the host's calls to a CLv2Plugin.
#include "CLv2Plugin.h"

#include <cstring>

namespace {

// The handle is what the UI gets through instance-access: a CLv2Instance.
CLv2Plugin& plugin(LV2_Handle instance)
{
    return static_cast<CLv2Plugin&>(*static_cast<CLv2Instance*>(instance));
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    return static_cast<CLv2Instance*>(CLv2Plugin::create(createInstrument(), rate, features));
}

void connectPort(LV2_Handle instance, std::uint32_t port, void* data)
{
    plugin(instance).connectPort(port, data);
}

void run(LV2_Handle instance, std::uint32_t frames)
{
    plugin(instance).run(frames);
}

void cleanup(LV2_Handle instance)
{
    delete &plugin(instance);
}

LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, std::uint32_t,
                      const LV2_Feature* const*)
{
    return plugin(instance).save(store, handle);
}

LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         std::uint32_t, const LV2_Feature* const*)
{
    return plugin(instance).restore(retrieve, handle);
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface kState = {save, restore};
    return uri != nullptr && std::strcmp(uri, LV2_STATE__interface) == 0 ? &kState : nullptr;
}

const LV2_Descriptor kDescriptor = {
    lv2contract::kPluginUri, instantiate, connectPort, nullptr, run, nullptr, cleanup, extensionData,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(std::uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
