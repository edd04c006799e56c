// Feeds arbitrary bytes to the LV2 plug-in's state restore, as the bank and
// with the type the first byte picks, through the front's restore function
// and a retrieve callback of our own; then runs, saves and restores again.
// Nothing may read or write outside the instance's arrays; a refused state
// must leave the bank as it was.
#include "CLv2Plugin.h"
#include "CQuibo.h"

#include <lv2/atom/atom.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    auto& ids = *static_cast<std::map<std::string, LV2_URID>*>(handle);
    return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
}

struct Stored {
    const std::uint8_t* bytes;
    std::size_t size;
    LV2_URID type;
};

const void* retrieve(LV2_State_Handle handle, std::uint32_t, std::size_t* size, std::uint32_t* type,
                     std::uint32_t* flags)
{
    const auto& stored = *static_cast<const Stored*>(handle);
    *size = stored.size;
    *type = stored.type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return stored.bytes;
}

LV2_State_Status keep(LV2_State_Handle handle, std::uint32_t, const void* value, std::size_t size, std::uint32_t,
                      std::uint32_t)
{
    auto& saved = *static_cast<std::vector<std::uint8_t>*>(handle);
    const auto* bytes = static_cast<const std::uint8_t*>(value);
    saved.assign(bytes, bytes + size);
    return LV2_STATE_SUCCESS;
}

std::vector<std::uint8_t> bankOf(CInstrument& instrument)
{
    const void* bytes = nullptr;
    const std::int32_t size = instrument.getChunk(&bytes, false);
    const auto* first = static_cast<const std::uint8_t*>(bytes);
    return std::vector<std::uint8_t>(first, first + (size > 0 ? size : 0));
}

void runBlocks(CLv2Plugin& plugin, int blocks)
{
    float left[256], right[256];
    plugin.connectPort(lv2contract::kPortVoice, left);
    plugin.connectPort(lv2contract::kPortRhythm, right);
    for (int i = 0; i < blocks; ++i)
        plugin.run(256);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map{&ids, mapUri};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    CLv2Plugin* plugin = CLv2Plugin::create(std::make_unique<CQuibo>(), 44100.0, features);
    if (plugin == nullptr)
        std::abort();
    runBlocks(*plugin, 1);
    const std::vector<std::uint8_t> before = bankOf(plugin->instrument());
    // The first byte picks the type (mostly a chunk) and whether the bytes
    // become bank-sized with the current marker, the case that gets past
    // the loader's first checks.
    const bool chunk = size == 0 || (data[0] & 3) != 0;
    std::vector<std::uint8_t> bytes(data, data + size);
    if (size > 0 && (data[0] & 4) != 0) {
        if (bytes.size() < 2988)
            bytes.resize(2988, 0);
        const std::int32_t marker = 1000;
        std::memcpy(bytes.data(), &marker, sizeof marker);
    }
    Stored stored{bytes.data(), bytes.size(), mapUri(&ids, chunk ? LV2_ATOM__Chunk : LV2_ATOM__String)};
    const LV2_State_Status status = plugin->restore(retrieve, &stored);
    if (status != LV2_STATE_SUCCESS && bankOf(plugin->instrument()) != before)
        std::abort();
    runBlocks(*plugin, 4);
    std::vector<std::uint8_t> saved;
    plugin->save(keep, &saved);
    Stored again{saved.data(), saved.size(), mapUri(&ids, LV2_ATOM__Chunk)};
    if (plugin->restore(retrieve, &again) != LV2_STATE_SUCCESS)
        std::abort();
    runBlocks(*plugin, 1);
    delete plugin;
    return 0;
}
