// Feeds arbitrary bytes to setChunk as a bank and as a program, then renders
// and saves again: nothing may read or write outside the instance's arrays.
#include "CQuibo.h"
#include "CQuiboPlugin.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

VstIntPtr VSTCALLBACK host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

void renderBlock(CQuiboPlugin& plugin)
{
    float left[256], right[256];
    float* outputs[2] = {left, right};
    plugin.processReplacing(nullptr, outputs, 256);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CQuiboPlugin plugin(host, std::make_unique<CQuibo>());
    renderBlock(plugin);
    std::vector<unsigned char> bytes(data, data + size);
    // The first byte picks the kind; bank-sized inputs are the interesting case.
    const bool isPreset = size > 0 && (data[0] & 1) != 0;
    if (!isPreset && bytes.size() < 2988)
        bytes.resize(2988, 0);
    if (bytes.size() >= 4 && (size == 0 || (data[0] & 2) == 0)) {
        const std::int32_t marker = 1000;
        std::memcpy(bytes.data(), &marker, sizeof marker);
    }
    plugin.setChunk(bytes.data(),
                    static_cast<VstInt32>(isPreset ? (bytes.size() >= 88 ? 88 : bytes.size()) : bytes.size()),
                    isPreset);
    for (int i = 0; i < 4; ++i)
        renderBlock(plugin);
    void* saved = nullptr;
    plugin.getChunk(&saved, false);
    plugin.getChunk(&saved, true);
    char text[64];
    for (VstInt32 i = 0; i < kNumParams; ++i)
        plugin.getParameterDisplay(i, text);
    return 0;
}
